#include "specials/PdfFillOpacity.h"

#include <algorithm>

#include "specials/PdfObjects.h"

namespace ksdvi {

namespace {

// Each entry of `dictionary` whose value holds a numeric /ca names that
// opacity; nested dictionaries are searched too (the reader bounds the depth).
void CollectOpacities(PdfObject const& dictionary, std::unordered_map<std::string, double>& names) {
    for (std::size_t i = 0; i + 1 < dictionary.items.size(); i += 2) {
        PdfObject const& value = dictionary.items[i + 1];
        if (value.type != PdfObject::Type::Dictionary) continue;
        PdfObject const* ca = value.Find("ca");
        if (ca && ca->type == PdfObject::Type::Number && names.size() < PdfFillOpacity::kMostNames)
            names[dictionary.items[i].text] = std::clamp(ca->number, 0.0, 1.0);
        CollectOpacities(value, names);
    }
}

}  // namespace

void PdfFillOpacity::Define(std::string_view special) {
    // Cheap refusal first: most definitions (forms, streams) set no opacity.
    if (special.find("/ca") == std::string_view::npos) return;
    std::vector<PdfToken> const tokens = PdfTokens(special);
    if (tokens.empty() || (tokens[0].text != "put" && tokens[0].text != "obj" && tokens[0].text != "object")) return;
    PdfObjectReader reader(tokens, 1, tokens.size());
    PdfObject object;
    while (reader.Read(object))
        if (object.type == PdfObject::Type::Dictionary) CollectOpacities(object, names_);
}

void PdfFillOpacity::Content(std::string_view keyword, std::string_view operators) {
    if (keyword == "bcontent") return Save();
    if (keyword == "econtent") return Restore();
    if (keyword != "code" && keyword != "literal") return;  // content is drawn within q ... Q
    if (operators.find_first_of("qQ") == std::string_view::npos && operators.find("gs") == std::string_view::npos)
        return;
    std::vector<PdfToken> const tokens = PdfTokens(operators);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        PdfToken const& token = tokens[i];
        if (token.type != PdfToken::Type::Word) continue;
        if (token.text == "q") {
            Save();
        } else if (token.text == "Q") {
            Restore();
        } else if (token.text == "gs" && i > 0 && tokens[i - 1].type == PdfToken::Type::Name) {
            auto found = names_.find(tokens[i - 1].text);
            if (found != names_.end()) current_ = found->second;
        }
    }
}

void PdfFillOpacity::Save() {
    if (saved_.size() < kMostSaved) saved_.push_back(current_);
}

void PdfFillOpacity::Restore() {
    if (saved_.empty()) return;  // an unmatched Q leaves the state
    current_ = saved_.back();
    saved_.pop_back();
}

void PdfFillOpacity::BeginPage() {
    saved_.clear();
    current_ = 1;
}

}  // namespace ksdvi
