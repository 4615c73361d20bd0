#pragma once
// JSON arrays as the tool prints them: one element a line, text that is not
// UTF-8 (from specials) replaced rather than refused.

#include <nlohmann/json.hpp>

void PrintJsonLines(nlohmann::ordered_json const& array);
