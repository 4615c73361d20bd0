#include "interp/XHanTable.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <vector>

namespace ksdvi {

namespace {

struct Row {
    uint32_t key;
    unsigned char lead, trail;
};

using Tables = std::array<std::vector<Row>, 2>;  // subfonts 1 and 2, sorted by key

Tables BuiltIn() {
    return {{
        {{0x0E2200, 0xB0, 0xA1},
         {0x0E2300, 0xB0, 0xBC},
         {0x0E2400, 0xB1, 0xE2},
         {0x0F2200, 0xB1, 0xEE},
         {0xDCE3FF, 0xC8, 0xF0}},
        {{0x0E22B8, 0xB0, 0xA2}, {0x0E22BE, 0xB0, 0xA4}, {0xFC0000, 0xC0, 0xBC}, {0xFF0000, 0xC8, 0xEB}},
    }};
}

// The tables in use; a load replaces them whole, so a lookup never sees half
// a load.
std::mutex lock;
std::shared_ptr<Tables const> current;

std::shared_ptr<Tables const> Current() {
    std::lock_guard guard(lock);
    if (!current) current = std::make_shared<Tables const>(BuiltIn());
    return current;
}

bool ParseRow(std::string const& line, int& subfont, Row& row) {
    unsigned key = 0, code = 0;
    char extra = 0;
    if (std::sscanf(line.c_str(), " %d %x %x %c", &subfont, &key, &code, &extra) != 3) return false;
    if (subfont < 1 || subfont > 2 || key > 0xFFFFFF || code > 0xFFFF) return false;
    row = {key, static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)};
    return row.lead >= 0xA1 && row.lead <= 0xFE && row.trail >= 0xA1 && row.trail <= 0xFE;
}

}  // namespace

int XHanTable::Find(int subfont, uint32_t key, unsigned char& lead, unsigned char& trail) {
    if (subfont != 1 && subfont != 2) return 0;
    std::shared_ptr<Tables const> tables = Current();  // kept while it is read, whatever loads meanwhile
    std::vector<Row> const& rows = (*tables)[subfont - 1];
    int low = 0, high = static_cast<int>(rows.size()) - 1;
    while (low <= high) {
        int probe = (low + high) / 2;
        if (rows[probe].key == key) {
            lead = rows[probe].lead;
            trail = rows[probe].trail;
            return 1;
        }
        if (rows[probe].key < key)
            low = probe + 1;
        else
            high = probe - 1;
    }
    return 0;
}

bool XHanTable::LoadFile(std::string const& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot be read";
        return false;
    }
    Tables tables = *Current();
    std::array<std::vector<Row>, 2> added;
    std::string line;
    for (int number = 1, total = 0; std::getline(in, line); ++number) {
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        int subfont = 0;
        Row row{};
        if (!ParseRow(line, subfont, row)) {
            error = "line " + std::to_string(number) + ": not a row (subfont 1 or 2, key, EUC-KR code)";
            return false;
        }
        if (++total > MaxRows) {
            error = "more than " + std::to_string(MaxRows) + " rows";
            return false;
        }
        added[subfont - 1].push_back(row);
    }
    for (int i = 0; i < 2; ++i) {
        // The file's rows first, so that they win over the rows with their keys.
        std::vector<Row>& rows = added[i];
        rows.insert(rows.end(), tables[i].begin(), tables[i].end());
        std::stable_sort(rows.begin(), rows.end(), [](Row const& a, Row const& b) { return a.key < b.key; });
        rows.erase(std::unique(rows.begin(), rows.end(), [](Row const& a, Row const& b) { return a.key == b.key; }),
                   rows.end());
        tables[i] = std::move(rows);
    }
    std::lock_guard guard(lock);
    current = std::make_shared<Tables const>(std::move(tables));
    return true;
}

}  // namespace ksdvi
