(COMMENT No characters at all: bc = 1, ec = 0)
(DESIGNSIZE R 10.0)
