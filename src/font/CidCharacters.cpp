#include "font/CidCharacters.h"

#include <mutex>
#include <optional>
#include <sstream>
#include <string>

#include "font/CMapText.h"

namespace ksdvi {

namespace {

// The character that UTF-16 units begin with; 0 for none.
char32_t FirstCharacter(std::u16string const& units) {
    if (units.empty()) return 0;
    char32_t const first = units[0];
    if (first >= 0xD800 && first < 0xDC00)
        return units.size() > 1 && units[1] >= 0xDC00 && units[1] < 0xE000
                   ? 0x10000 + ((first - 0xD800) << 10) + (units[1] - 0xDC00)
                   : 0;
    return first >= 0xDC00 && first < 0xE000 ? 0 : first;
}

}  // namespace

CidCharacters CidCharacters::Parse(std::string_view text) {
    CidCharacters out;
    auto set = [&out](std::uint32_t cid, char32_t character) {
        if (character == 0 || character > 0x10FFFF) return;
        if (out.characters_.size() <= cid) out.characters_.resize(cid + 1, 0);
        out.characters_[cid] = character;
    };
    std::istringstream in{std::string(text)};
    enum class In { Nothing, Chars, Ranges } in_ = In::Nothing;
    std::vector<std::string> pending;  // the words of the pair being read
    bool array = false;                // inside a range's [ ... ] of values
    for (std::string word; in >> word;) {
        if (word == "beginbfchar" || word == "beginbfrange") {
            in_ = word == "beginbfchar" ? In::Chars : In::Ranges;
            pending.clear();
            continue;
        }
        if (word == "endbfchar" || word == "endbfrange") {
            in_ = In::Nothing;
            continue;
        }
        if (in_ == In::Nothing) continue;
        // A range's values one by one: "<a> <b> [<x> <y> ...]".
        bool const opens = !word.empty() && word.front() == '[';
        bool const closes = !word.empty() && word.back() == ']';
        if (opens) word.erase(0, 1), array = true;
        if (closes) word.pop_back();
        if (!word.empty()) pending.push_back(word);
        if (pending.size() > 0x10002) {  // a range longer than any CID's
            pending.clear();
            array = false;
            continue;
        }
        if (in_ == In::Chars && pending.size() == 2) {
            std::optional<std::u16string> const cid = HexUnits(pending[0]), value = HexUnits(pending[1]);
            if (cid && cid->size() == 1 && value) set((*cid)[0], FirstCharacter(*value));
            pending.clear();
        } else if (in_ == In::Ranges && (array ? closes : pending.size() == 3)) {
            std::optional<std::u16string> const first = HexUnits(pending[0]);
            std::optional<std::u16string> const last = pending.size() > 1 ? HexUnits(pending[1]) : std::nullopt;
            if (first && last && first->size() == 1 && last->size() == 1 && (*first)[0] <= (*last)[0]) {
                std::uint32_t const from = (*first)[0], to = (*last)[0];
                for (std::uint32_t cid = from; cid <= to; ++cid) {
                    size_t const at = array ? 2 + (cid - from) : 2;
                    if (at >= pending.size()) break;
                    std::optional<std::u16string> const value = HexUnits(pending[at]);
                    char32_t const character = value ? FirstCharacter(*value) : 0;
                    // One value counts up along the range.
                    set(cid, array || character == 0 ? character : character + (cid - from));
                }
            }
            pending.clear();
            array = false;
        }
    }
    return out;
}

std::shared_ptr<CidCharacters const> AdobeJapan1Characters(KPathSea* finder) {
    static std::once_flag once;
    static std::shared_ptr<CidCharacters const> characters;
    if (!finder) return nullptr;
    std::call_once(once, [finder] {
        auto parsed =
            std::make_shared<CidCharacters const>(CidCharacters::Parse(ReadCMap(finder, "Adobe-Japan1-UCS2")));
        if (!parsed->Empty()) characters = std::move(parsed);
    });
    return characters;
}

}  // namespace ksdvi
