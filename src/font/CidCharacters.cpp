#include "font/CidCharacters.h"

#include <mutex>
#include <optional>
#include <string>

#include "font/CMapText.h"
#include "stream/Utf16.h"

namespace ksdvi {

namespace {

// The character that UTF-16 units begin with; 0 for none (a lone surrogate).
char32_t FirstCharacter(std::u16string const& units) {
    std::u32string const characters = FromUtf16(units);
    if (characters.empty()) return 0;
    return characters[0] == 0xFFFD && units[0] != 0xFFFD ? 0 : characters[0];
}

}  // namespace

CidCharacters CidCharacters::Parse(std::string_view text) {
    CidCharacters out;
    auto set = [&out](std::uint32_t cid, char32_t character) {
        if (character == 0 || character > 0x10FFFF) return;
        if (out.characters_.size() <= cid) out.characters_.resize(cid + 1, 0);
        out.characters_[cid] = character;
    };
    std::vector<std::string> pending;  // the words of the pair being read
    bool array = false;                // inside a range's [ ... ] of values
    ForEachPairWord(text, "bf", [&](CMapBlock block, std::string& word, bool first) {
        if (first) pending.clear(), array = false;
        // A range's values one by one: "<a> <b> [<x> <y> ...]".
        bool const opens = !word.empty() && word.front() == '[';
        bool const closes = !word.empty() && word.back() == ']';
        if (opens) word.erase(0, 1), array = true;
        if (closes) word.pop_back();
        if (!word.empty()) pending.push_back(word);
        if (pending.size() > 0x10002) {  // a range longer than any CID's
            pending.clear();
            array = false;
            return true;
        }
        if (block == CMapBlock::Chars && pending.size() == 2) {
            std::optional<std::u16string> const cid = HexUnits(pending[0]), value = HexUnits(pending[1]);
            if (cid && cid->size() == 1 && value) set((*cid)[0], FirstCharacter(*value));
            pending.clear();
        } else if (block == CMapBlock::Ranges && (array ? closes : pending.size() == 3)) {
            std::optional<std::u16string> const from = HexUnits(pending[0]);
            std::optional<std::u16string> const last = pending.size() > 1 ? HexUnits(pending[1]) : std::nullopt;
            if (from && last && from->size() == 1 && last->size() == 1 && (*from)[0] <= (*last)[0]) {
                for (std::uint32_t cid = (*from)[0]; cid <= (*last)[0]; ++cid) {
                    size_t const at = array ? 2 + (cid - (*from)[0]) : 2;
                    if (at >= pending.size()) break;
                    std::optional<std::u16string> const value = HexUnits(pending[at]);
                    char32_t const character = value ? FirstCharacter(*value) : 0;
                    // One value counts up along the range.
                    set(cid, array || character == 0 ? character : character + (cid - (*from)[0]));
                }
            }
            pending.clear();
            array = false;
        }
        return true;
    });
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
