#include "render/PdfDrawingPage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "device/TransformedRule.h"
#include "page/PixelMapping.h"
#include "render/PageColourCollector.h"
#include "render/PdfGraphicsState.h"
#include "specials/PdfDrawingSpecials.h"
#include "specials/PdfObjects.h"
#include "specials/PdfSpecials.h"
#include "specials/SpecialParsing.h"
#include "specials/TpicSpecials.h"
#include "stream/DeviceRounding.h"
#include "stream/NumberText.h"

namespace ksdvi {

namespace {

constexpr size_t kMostNamedObjects = 100000;
constexpr size_t kDeepestForms = 64;
// The pages before a page that run again for the forms they made.
constexpr size_t kMostFormPages = 16;
// Entries a dictionary that puts grow may reach: xespotcolor puts the 1099
// spot colours of its Pantone table in the page's resources, and more.
constexpr size_t kMostDictionaryEntries = 4096;

PdfObject Made(PdfObject::Type type, double number = 0) {
    PdfObject object;
    object.type = type;
    object.number = number;
    return object;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\0'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string Translation(double x, double y) { return "1 0 0 1 " + PdfNumber(x) + " " + PdfNumber(y) + " cm\n"; }

// `text` read whole as a TeX dimension ("12.5pt", "12.5truept"), in bp.
std::optional<double> DimensionInBp(std::string text) {
    if (size_t const at = text.find("true"); at != std::string::npos) text.erase(at, 4);
    int sp = 0;
    unsigned char* end = getdimen(reinterpret_cast<unsigned char*>(text.data()), &sp);
    if (!end || *end != 0) return std::nullopt;
    return sp / kSpPerBigPoint;
}

// A length of dvipdfmx's: a dimension of one word or two ("12.5 pt"), or a
// number alone, in bp.
std::optional<double> LengthInBp(std::vector<PdfToken> const& tokens, size_t& at) {
    if (at >= tokens.size()) return std::nullopt;
    std::string const text = tokens[at++].text;
    if (std::optional<double> bp = DimensionInBp(text)) return bp;
    if (at < tokens.size()) {
        if (std::optional<double> bp = DimensionInBp(text + tokens[at].text)) {
            ++at;
            return bp;
        }
    }
    double number = 0;
    std::string copy = text;
    unsigned char* end = getnumber(reinterpret_cast<unsigned char*>(copy.data()), &number);
    if (!end || *end != 0) return std::nullopt;
    return number;
}

// Merges `from`'s entries into the dictionary `into` (dictionaries under
// the same key merge too: two puts of /XObject entries keep both), or
// appends `from`'s items to the array `into`.
void Merge(PdfObject& into, PdfObject const& from) {
    if (into.type == PdfObject::Type::Array && from.type == PdfObject::Type::Array) {
        into.items.insert(into.items.end(), from.items.begin(), from.items.end());
        return;
    }
    if (from.type != PdfObject::Type::Dictionary) return;
    if (into.type != PdfObject::Type::Dictionary) into = Made(PdfObject::Type::Dictionary);
    // Keys looked up by hash: a put of thousands of entries into as many costs no more than reading them.
    std::unordered_map<std::string, size_t> at;
    for (size_t j = 0; j + 1 < into.items.size(); j += 2) at.emplace(into.items[j].text, j + 1);
    for (size_t i = 0; i + 1 < from.items.size(); i += 2) {
        auto found = at.find(from.items[i].text);
        if (found == at.end()) {
            if (into.items.size() >= 2 * kMostDictionaryEntries) continue;
            at.emplace(from.items[i].text, into.items.size() + 1);
            into.items.insert(into.items.end(), {from.items[i], from.items[i + 1]});
        } else if (PdfObject& value = into.items[found->second];
                   value.type == PdfObject::Type::Dictionary && from.items[i + 1].type == PdfObject::Type::Dictionary) {
            Merge(value, from.items[i + 1]);
        } else {
            value = from.items[i + 1];
        }
    }
}

// How many objects `o` holds, itself included.
size_t Nodes(PdfObject const& o) {
    size_t n = 1;
    for (PdfObject const& item : o.items) n += Nodes(item);
    return n;
}

PdfObject Entry(std::string name, PdfObject value) {
    PdfObject dictionary = Made(PdfObject::Type::Dictionary);
    PdfObject key = Made(PdfObject::Type::Name);
    key.text = std::move(name);
    dictionary.items = {std::move(key), std::move(value)};
    return dictionary;
}

// The drawing of one page as xdvipdfmx writes it, and the objects it uses.
class PdfDrawingWriter {
public:
    // Replaying objects and forms of the pages before: what draws is not kept.
    void SetReplaying(bool replaying) { replaying_ = replaying; }

    // A special (after "pdf:") at (x, y): the current point, in bp from the
    // page's lower left corner.
    void Special(std::string_view text, double x, double y) {
        size_t start = 0;
        while (start < text.size() && IsBlank(text[start])) ++start;
        size_t end = start;
        while (end < text.size() && IsLetter(text[end])) ++end;
        std::string_view const keyword = text.substr(start, end - start);
        std::string_view const rest = text.substr(end);
        if (keyword == "code") {
            Draw(std::string(rest) + "\n");
        } else if (keyword == "literal") {
            std::string_view ops = Trimmed(rest);
            if (ops.rfind("direct", 0) == 0)
                Draw(std::string(ops.substr(6)) + "\n");
            else
                Draw(Translation(X(x), Y(y)) + std::string(ops) + "\n" + Translation(-X(x), -Y(y)));
        } else if (keyword == "content") {
            Draw("q\n" + Translation(X(x), Y(y)) + std::string(rest) + "\nQ\n");
        } else if (keyword == "bcontent") {
            Draw("q\n" + Translation(X(x), Y(y)));
            Origins().push_back({x, y});
        } else if (keyword == "econtent") {
            Draw("Q\n");
            if (Origins().size() > 1) Origins().pop_back();
        } else if (keyword == "uxobj" || keyword == "usexobj") {
            PlaceForm(rest, x, y);
        } else if (keyword == "obj" || keyword == "object" || keyword == "put" || keyword == "stream") {
            Define(keyword, rest);
        } else if (BeginsPdfXObject(keyword)) {
            BeginForm(rest, x, y);
        } else if (EndsPdfXObject(keyword)) {
            EndForm(rest);
        }
    }

    // A colour special's colour, for filling and stroking.
    void Colour(unsigned rgb) { Draw(ColourOperators(rgb)); }
    // The page begins in colour `rgb` (it began inside a colour special's push).
    void BeginInColour(unsigned rgb) {
        std::string const ops = ColourOperators(rgb);
        content_.insert(0, ops);
        for (std::optional<size_t>& start : layers_)
            if (start) *start += ops.size();
    }

    // A picture is placed here: what the page draws after it begins a layer
    // of its own, painted over the picture. A picture inside a form begins
    // an empty one.
    void NextLayer() {
        if (replaying_) return;
        layers_.push_back(forms_.empty() ? std::optional<size_t>(content_.size()) : std::nullopt);
    }
    size_t Layers() const { return layers_.size() + 1; }
    size_t ContentSize() const { return content_.size(); }

    // pdf:btrans (a PDF matrix about the current point) and pdf:etrans;
    // x:scale and x:rotate change the transformation without saving it.
    void BeginTransform(double const (&m)[6], double x, double y) {
        Draw("q\n");
        Transform(m, x, y);
    }
    void Transform(double const (&m)[6], double x, double y) {
        std::string matrix;
        for (double v : m) matrix += PdfNumber(v) + " ";
        Draw(Translation(X(x), Y(y)) + matrix + "cm\n" + Translation(-X(x), -Y(y)));
    }
    void EndTransform() { Draw("Q\n"); }

    // A rule of TeX's, its lower left corner at (x, y), in the fill colour
    // in force: it stacks with the drawing as in xdvipdfmx's page.
    void Rule(double x, double y, double width, double height) {
        Draw(PdfNumber(X(x)) + " " + PdfNumber(Y(y)) + " " + PdfNumber(width) + " " + PdfNumber(height) + " re f\n");
    }
    // The same under the drawing's transformation, as dvipdfmx writes it: up
    // to 5 bp thick a line stroked as wide as the rule, times `widen` (which
    // makes one that is thinner than a pixel on the device a pixel wide, as
    // pdftoppm shows it).
    void TurnedRule(double x, double y, double width, double height, double widen) {
        if (std::min(width, height) > 5) return Rule(x, y, width, height);
        auto const point = [&](double px, double py) { return PdfNumber(X(px)) + " " + PdfNumber(Y(py)); };
        // Solid and with butt ends, whatever the drawing's pen is.
        std::string const pen = "q [] 0 d 0 J ";
        if (width <= height)
            Draw(pen + PdfNumber(width * widen) + " w " + point(x + width / 2, y) + " m " +
                 point(x + width / 2, y + height) + " l S Q\n");
        else
            Draw(pen + PdfNumber(height * widen) + " w " + point(x, y + height / 2) + " m " +
                 point(x + width, y + height / 2) + " l S Q\n");
    }

    bool Drew() const { return drew_; }

    // The one-page PDF, `width` by `height` bp; empty when it is past
    // kLargestPdfDrawing. With `layer`, only what that layer draws shows:
    // the rest lies in hidden optional content, whose transformations and
    // clips still hold; empty for an empty layer.
    std::string Pdf(double width, double height, std::optional<size_t> layer = std::nullopt) {
        if (tooLarge_) return {};
        formsLeftOut_ = 0;
        while (!forms_.empty()) EndForm({});
        std::string content = content_;
        std::string resources = Write(resources_);
        std::map<int, std::string> objects;  // number: its text between "obj" and "endobj"
        // Writing an object names those it refers to that are not defined
        // (made null): all are numbered before the hidden layer's group and
        // the cross-reference table are.
        size_t total = content_.size();
        for (size_t written = 0; written != named_.size();) {
            written = named_.size();
            for (auto const& [name, named] : named_) {
                if (objects.contains(named.number)) continue;
                std::string& text = objects[named.number];
                text = named.stream ? Stream(named.value, named.data) : Write(named.value);
                total += text.size();
                if (total > kLargestPdfDrawing) return {};
            }
        }
        std::string catalog = "<< /Type /Catalog /Pages 2 0 R >>";
        int const hidden = next_;
        if (layer) {
            if (*layer > 0 && !layers_[*layer - 1]) return {};
            // The layers' bounds; those of pictures inside forms are none.
            std::vector<size_t> bounds{0};
            size_t shown = 0;  // the part of the content that is the layer's
            for (size_t k = 0; k <= layers_.size(); ++k) {
                if (k > 0 && !layers_[k - 1]) continue;
                if (k > 0) bounds.push_back(*layers_[k - 1]);
                if (k == *layer) shown = bounds.size() - 1;
            }
            bounds.push_back(content_.size());
            content.clear();
            for (size_t part = 0; part + 1 < bounds.size(); ++part) {
                std::string_view const ops =
                    std::string_view(content_).substr(bounds[part], bounds[part + 1] - bounds[part]);
                content += part == shown ? std::string(ops) : "/OC /KsdviHidden BDC\n" + std::string(ops) + "EMC\n";
            }
            std::string const ocg = std::to_string(hidden) + " 0 R";
            catalog = "<< /Type /Catalog /Pages 2 0 R /OCProperties << /OCGs [" + ocg + "] /D << /Order [] /OFF [" +
                      ocg + "] >> >> >>";
            // The hidden group as the page's marked-content property.
            size_t const end = resources.rfind(">>");
            if (end == std::string::npos) return {};
            resources.insert(end, " /Properties << /KsdviHidden " + ocg + " >> ");
        }
        int const count = layer ? next_ + 1 : next_;
        objects[1] = catalog;
        objects[2] = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
        objects[3] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + PdfNumber(width) + " " + PdfNumber(height) +
                     "] /Resources " + resources + " /Contents 4 0 R >>";
        objects[4] = Stream(Made(PdfObject::Type::Dictionary), content);
        if (layer) objects[hidden] = "<< /Type /OCG /Name (ksdvi: drawn in another layer) >>";
        std::string pdf = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
        std::vector<size_t> offsets(static_cast<size_t>(count), 0);
        for (auto const& [number, text] : objects) {
            offsets[static_cast<size_t>(number)] = pdf.size();
            pdf += std::to_string(number) + " 0 obj\n" + text + "\nendobj\n";
        }
        size_t const xref = pdf.size();
        pdf += "xref\n0 " + std::to_string(count) + "\n0000000000 65535 f \n";
        char entry[32];
        for (int number = 1; number < count; ++number) {
            size_t const offset = offsets[static_cast<size_t>(number)];
            std::snprintf(entry, sizeof entry, "%010zu %05d %c \n", offset, offset ? 0 : 65535, offset ? 'n' : 'f');
            pdf += entry;
        }
        pdf += "trailer\n<< /Size " + std::to_string(count) + " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) +
               "\n%%EOF\n";
        return pdf;
    }

private:
    struct Named {
        int number = 0;
        PdfObject value;  // a stream's dictionary, for a stream
        std::string data;
        bool stream = false;
    };
    struct Form {
        std::string name;
        std::string content;
        PdfObject resources = Made(PdfObject::Type::Dictionary);
        double bbox[4] = {0, 0, 0, 0};
        std::vector<std::pair<double, double>> origins;
    };

    std::string& Out() { return forms_.empty() ? content_ : forms_.back().content; }
    std::vector<std::pair<double, double>>& Origins() { return forms_.empty() ? origins_ : forms_.back().origins; }
    PdfObject& Resources() { return forms_.empty() ? resources_ : forms_.back().resources; }
    // The current point about the origin in force.
    double X(double x) { return x - Origins().back().first; }
    double Y(double y) { return y - Origins().back().second; }

    void Draw(std::string const& ops) {
        if (replaying_ && forms_.empty()) return;
        if (forms_.empty()) drew_ = true;
        std::string& out = Out();
        // Past the bound the drawing is not written at all (Pdf).
        if (out.size() + ops.size() > kLargestPdfDrawing) {
            tooLarge_ = true;
            return;
        }
        out += ops;
    }

    // The object named @`name` (made null until defined); null when there are too many.
    Named* Find(std::string const& name) {
        auto it = named_.find(name);
        if (it != named_.end()) return &it->second;
        if (named_.size() >= kMostNamedObjects) return nullptr;
        Named& named = named_[name];
        named.number = next_++;
        return &named;
    }

    static std::string NameOf(std::vector<PdfToken> const& tokens, size_t at) {
        if (at >= tokens.size() || tokens[at].type != PdfToken::Type::Word || tokens[at].text.size() < 2 ||
            tokens[at].text[0] != '@')
            return {};
        return tokens[at].text.substr(1);
    }

    void Define(std::string_view keyword, std::string_view rest) {
        std::vector<PdfToken> const tokens = PdfTokens(rest);
        std::string const name = NameOf(tokens, 0);
        if (name.empty()) return;
        PdfObjectReader reader(tokens, 1, tokens.size());
        PdfObject value;
        if (keyword == "stream") {
            PdfObject data;
            if (!reader.Read(data) || data.type != PdfObject::Type::String) return;
            if (!reader.AtEnd() && !reader.Read(value)) return;
            if (Named* named = Find(name)) {
                named->stream = true;
                named->data = std::move(data.text);
                named->value = value.type == PdfObject::Type::Dictionary ? value : Made(PdfObject::Type::Dictionary);
            }
            return;
        }
        if (!reader.Read(value)) return;
        if (value.type == PdfObject::Type::Dictionary && reader.Peek() && reader.Peek()->text == "stream") {
            // An object with its stream, as pgfplots writes its shadings:
            // << dict >> stream DATA endstream, DATA as written.
            std::optional<std::string_view> const data = StreamData(rest);
            if (!data) return;
            if (Named* named = Find(name)) {
                named->stream = true;
                named->data = std::string(*data);
                named->value = std::move(value);
            }
            return;
        }
        if (keyword == "put") {
            if (name == "resources") {
                Merge(Resources(), value);
            } else if (auto it = named_.find(name); it != named_.end()) {
                Merge(it->second.value, value);
            }
            return;
        }
        if (Named* named = Find(name)) named->value = std::move(value);
    }

    // The bytes between "stream" and "endstream" (the end of line after
    // "stream" left out), or none when the text has no such part.
    static std::optional<std::string_view> StreamData(std::string_view text) {
        size_t const end = text.rfind("endstream");
        if (end == std::string_view::npos) return std::nullopt;
        size_t start = text.find(">>");
        while (start != std::string_view::npos && start < end) {
            size_t at = start + 2;
            while (at < end && IsBlank(text[at])) ++at;
            if (text.substr(at, 6) == "stream") {
                at += 6;
                if (at < end && text[at] == '\r') ++at;
                if (at < end && text[at] == '\n') ++at;
                return text.substr(at, end - at);
            }
            start = text.find(">>", start + 2);
        }
        return std::nullopt;
    }

    void BeginForm(std::string_view rest, double x, double y) {
        std::vector<PdfToken> const tokens = PdfTokens(rest);
        Form form;
        form.name = NameOf(tokens, 0);
        double width = 0, height = 0, depth = 0;
        bool box = false;
        for (size_t at = form.name.empty() ? 0 : 1; at < tokens.size();) {
            std::string const& key = tokens[at++].text;
            if (key == "width" || key == "height" || key == "depth") {
                std::optional<double> length = LengthInBp(tokens, at);
                if (!length) break;
                (key == "width" ? width : key == "height" ? height : depth) = *length;
            } else if (key == "bbox") {
                for (double& edge : form.bbox) {
                    if (at >= tokens.size()) break;
                    std::string_view word = tokens[at++].text;
                    edge = TakeNumber(word).value_or(0);
                }
                box = true;
            }
        }
        if (!box) {
            form.bbox[1] = -depth;
            form.bbox[2] = width;
            form.bbox[3] = height;
        }
        form.origins = {{x, y}};
        if (forms_.size() < kDeepestForms)
            forms_.push_back(std::move(form));
        else
            ++formsLeftOut_;
    }

    void EndForm(std::string_view rest) {
        if (formsLeftOut_ > 0) {
            --formsLeftOut_;
            return;
        }
        if (forms_.empty()) return;
        Form form = std::move(forms_.back());
        forms_.pop_back();
        if (form.name.empty()) return;
        Named* named = Find(form.name);
        if (!named) return;
        PdfObject dictionary = Made(PdfObject::Type::Dictionary);
        PdfObject bbox = Made(PdfObject::Type::Array);
        for (double edge : form.bbox) bbox.items.push_back(Made(PdfObject::Type::Number, edge));
        PdfObject type = Made(PdfObject::Type::Name), subtype = Made(PdfObject::Type::Name);
        type.text = "XObject";
        subtype.text = "Form";
        Merge(dictionary, Entry("Type", type));
        Merge(dictionary, Entry("Subtype", subtype));
        Merge(dictionary, Entry("BBox", bbox));
        // A form sees the page's colour spaces, graphics states, patterns and
        // shadings too, as pgf's forms expect (within a bound of what is copied).
        PdfObject resources = Made(PdfObject::Type::Dictionary);
        for (size_t i = 0; i + 1 < resources_.items.size(); i += 2) {
            std::string const& key = resources_.items[i].text;
            if (key == "XObject" || Nodes(resources_.items[i + 1]) > copyBudget_) continue;
            copyBudget_ -= Nodes(resources_.items[i + 1]);
            resources.items.insert(resources.items.end(), {resources_.items[i], resources_.items[i + 1]});
        }
        Merge(resources, form.resources);
        Merge(dictionary, Entry("Resources", resources));
        std::vector<PdfToken> const tokens = PdfTokens(rest);
        PdfObjectReader reader(tokens);
        PdfObject extra;
        if (reader.Read(extra) && extra.type == PdfObject::Type::Dictionary) Merge(dictionary, extra);
        named->stream = true;
        named->value = std::move(dictionary);
        named->data = std::move(form.content);
    }

    void PlaceForm(std::string_view rest, double x, double y) {
        std::vector<PdfToken> const tokens = PdfTokens(rest);
        std::string const name = NameOf(tokens, 0);
        Named* named = name.empty() ? nullptr : Find(name);
        if (!named) return;
        std::string const key = "KsdviForm" + std::to_string(named->number);
        PdfObject reference = Made(PdfObject::Type::Word);
        reference.text = "@" + name;
        Merge(Resources(), Entry("XObject", Entry(key, reference)));
        Draw("q\n" + Translation(X(x), Y(y)) + "/" + key + " Do\nQ\n");
    }

    static std::string ColourOperators(unsigned rgb) {
        std::string const c = PdfNumber((rgb & 0xFF) / 255.0) + " " + PdfNumber((rgb >> 8 & 0xFF) / 255.0) + " " +
                              PdfNumber((rgb >> 16 & 0xFF) / 255.0);
        return c + " rg " + c + " RG\n";
    }

    std::string Stream(PdfObject dictionary, std::string const& data) {
        Merge(dictionary, Entry("Length", Made(PdfObject::Type::Number, static_cast<double>(data.size()))));
        return Write(dictionary) + "\nstream\n" + data + "\nendstream";
    }

    std::string Write(PdfObject const& o) {
        using T = PdfObject::Type;
        switch (o.type) {
        case T::Null: return "null";
        case T::Boolean: return o.number != 0 ? "true" : "false";
        case T::Number: return PdfNumber(o.number);
        case T::String: {
            std::string s = "<";
            static constexpr char kDigits[] = "0123456789abcdef";
            for (unsigned char c : o.text) s += {kDigits[c >> 4], kDigits[c & 15]};
            return s + ">";
        }
        case T::Name: {
            std::string s = "/";
            for (unsigned char c : o.text) {
                if (c > ' ' && c < 127 &&
                    std::string_view("#/()<>[]{}%").find(static_cast<char>(c)) == std::string_view::npos) {
                    s += static_cast<char>(c);
                } else {
                    char hex[4];
                    std::snprintf(hex, sizeof hex, "#%02x", c);
                    s += hex;
                }
            }
            return s;
        }
        case T::Word: {
            // @name: the object so named; anything else is nothing PDF reads.
            if (o.text.size() > 1 && o.text[0] == '@' && o.text != "@thispage" && o.text != "@resources")
                if (Named* named = Find(o.text.substr(1))) return std::to_string(named->number) + " 0 R";
            return "null";
        }
        case T::Reference: return "null";  // numbers of another file's objects
        case T::Array: {
            std::string s = "[";
            for (PdfObject const& item : o.items) s += Write(item) + " ";
            return s + "]";
        }
        case T::Dictionary: {
            std::string s = "<<";
            for (PdfObject const& item : o.items) s += " " + Write(item);
            return s + " >>";
        }
        }
        return "null";
    }

    std::string content_;
    PdfObject resources_ = Made(PdfObject::Type::Dictionary);
    std::vector<std::pair<double, double>> origins_ = {{0, 0}};
    std::vector<Form> forms_;
    std::map<std::string, Named> named_;
    int next_ = 5;  // 1 to 4: catalog, pages, page, its content
    bool replaying_ = false;
    bool drew_ = false;
    bool tooLarge_ = false;
    size_t copyBudget_ = size_t(1) << 20;  // objects of the page's resources copied into forms
    size_t formsLeftOut_ = 0;              // begun deeper than kDeepestForms, not ended yet
    // Where each layer after the first begins in the page's content; none
    // for a picture inside a form.
    std::vector<std::optional<size_t>> layers_;
};

// Hands a page's drawing specials and colours to the writer, at their places.
class PdfDrawingCollector : public PageColourCollector {
public:
    PdfDrawingCollector(PdfDrawingWriter& writer, PostScriptPage::Geometry const& g)
        : writer_(writer), g_(g), state_(g.dpiX, g.dpiY) {}

protected:
    // A box of whole pixels, as ksdvi draws TeX's rules on other pages: a
    // hair rule (\fbox's 0.4 pt) is a pixel wide and dark, as pdftoppm
    // shows xdvipdfmx's, not a grey sliver. Where the drawing has moved what
    // TeX sets (tcolorbox's content), the box lands on whole pixels there;
    // a turned or scaled one keeps its size.
    void PutRule(int h, int v, int height, int width) override {
        if (height <= 0 || width <= 0) return;
        Affine const world = state_.World();
        if (world.a != 1 || world.b != 0 || world.c != 0 || world.d != 1) {
            double const across = width * g_.hPixPerDvi, down = height * g_.vPixPerDvi;  // pixels
            double const thick =
                across > down ? ThicknessOnDevice(world, down, true) : ThicknessOnDevice(world, across, false);
            writer_.TurnedRule(X(h), Y(v), across * 72 / g_.dpiX, down * 72 / g_.dpiY,
                               thick > 0 && thick < 1 ? 1 / thick : 1);
            return;
        }
        double const dx = world.e, dy = world.f;
        double const left = RoundHalfAway(h * g_.hPixPerDvi + dx) - dx + g_.hOrigin;
        double const bottom = RoundHalfAway(v * g_.vPixPerDvi + dy) - dy + g_.vOrigin;
        writer_.Rule(left * 72 / g_.dpiX, (g_.height - bottom) * 72 / g_.dpiY,
                     Ceiling(width * g_.hPixPerDvi) * 72.0 / g_.dpiX, Ceiling(height * g_.vPixPerDvi) * 72.0 / g_.dpiY);
    }

    void DoSpecial(unsigned int length, InstPtr text) override {
        KsDviDrawerBase::DoSpecial(length, text);
        std::string_view const special(reinterpret_cast<char const*>(text.Get()), length);
        double const x = X(GetH()), y = Y(GetV());
        // dvipdfmx's own x: specials turn, scale and save as pdf:btrans
        // does (xetex.def's \scalebox and \reflectbox); they draw nothing.
        bool const extension = special.rfind("x:", 0) == 0;
        // Colours change the stack colour specials share, pdf:bcolor's too.
        if (std::optional<unsigned int> rgb = ColourAfter(special)) {
            writer_.Colour(*rgb);
            return;
        }
        if (special.rfind("pdf:", 0) == 0 || extension) {
            std::string_view const args = special.substr(extension ? 2 : 4);
            PdfSpecial const parsed = ParsePdfSpecial(args, extension);
            FollowState(parsed, args, extension);
            if (parsed.kind == PdfSpecial::Kind::TransformStart)
                writer_.BeginTransform(parsed.matrix, x, y);
            else if (parsed.kind == PdfSpecial::Kind::Transform)
                writer_.Transform(parsed.matrix, x, y);
            else if (parsed.kind == PdfSpecial::Kind::TransformEnd)
                writer_.EndTransform();
            else if (parsed.kind == PdfSpecial::Kind::Image)
                writer_.NextLayer();
            else if (!extension && parsed.kind == PdfSpecial::Kind::Other &&
                     PdfDrawingOf(parsed.keyword) != PdfDrawing::None)
                writer_.Special(args, x, y);
            return;
        }
        if (TpicCommand(special)) {
            if (std::string const drawing = tpic_.Take(special); !drawing.empty())
                writer_.Special("content " + drawing, x, y);
            return;
        }
    }

private:
    // Where TeX's material lands, as the drawer follows it (PdfGraphicsState.h).
    void FollowState(PdfSpecial const& parsed, std::string_view text, bool extension) {
        using Kind = PdfSpecial::Kind;
        double const x = GetH() * g_.hPixPerDvi, y = GetV() * g_.vPixPerDvi;
        if (parsed.kind == Kind::TransformStart || parsed.kind == Kind::Transform || parsed.kind == Kind::TransformEnd)
            state_.Transform(parsed, x, y);
        else if (!extension && parsed.kind == Kind::Other && PdfDrawingOf(parsed.keyword) == PdfDrawing::Content)
            state_.Content(parsed.keyword, AfterPdfKeyword(text, parsed.keyword), x, y);
    }

    // A DVI position in bp from the page's lower left corner.
    double X(int h) const { return (g_.hOrigin + h * g_.hPixPerDvi) * 72 / g_.dpiX; }
    double Y(int v) const { return (g_.height - g_.vOrigin - v * g_.vPixPerDvi) * 72 / g_.dpiY; }

    PdfDrawingWriter& writer_;
    PostScriptPage::Geometry const& g_;
    PdfGraphicsState state_;
    TpicPath tpic_;
};

}  // namespace

std::string PdfDrawingOfSpecials(std::vector<PlacedPdfSpecial> const& specials, double width, double height) {
    PdfDrawingWriter writer;
    for (PlacedPdfSpecial const& special : specials) writer.Special(special.text, special.x, special.y);
    return writer.Drew() ? writer.Pdf(width, height) : std::string();
}

std::string PdfDrawingOfPage(KsDvi& dvi, int page, PostScriptPage::Geometry const& g, std::vector<std::string>* later) {
    if (later) later->clear();
    PdfDrawingWriter writer;
    writer.SetReplaying(true);
    // What the pages before defined, in order. The pages that made forms run
    // again (the last kMostFormPages of them), so that what a form holds
    // keeps its place in it (beamer's block shadows); other definitions need
    // no place.
    std::vector<KsDvi::PdfDefinition> const& definitions = dvi.GetPdfDefinitions();
    std::set<int> formPages, ran;
    for (auto it = definitions.rbegin(); it != definitions.rend() && formPages.size() < kMostFormPages; ++it)
        if (it->page < page && BeginsPdfXObject(PdfKeywordOf(it->special))) formPages.insert(it->page);
    for (KsDvi::PdfDefinition const& definition : definitions) {
        if (definition.page >= page) break;
        if (!formPages.count(definition.page)) {
            writer.Special(definition.special, 0, 0);
        } else if (ran.insert(definition.page).second) {
            PdfDrawingCollector again(writer, g);
            again.Collect(dvi, definition.page);
        }
    }
    writer.SetReplaying(false);
    PdfDrawingCollector collector(writer, g);
    if (!collector.Collect(dvi, page)) return {};
    if (collector.StartColour() != 0) writer.BeginInColour(collector.StartColour());
    if (!writer.Drew()) return {};
    double const width = g.width * 72 / g.dpiX, height = g.height * 72 / g.dpiY;
    if (!later || writer.Layers() == 1 || writer.Layers() > kMostPdfLayers ||
        writer.ContentSize() > kLargestLayeredPdfDrawing)
        return writer.Pdf(width, height);
    later->clear();
    for (size_t layer = 1; layer < writer.Layers(); ++layer) later->push_back(writer.Pdf(width, height, layer));
    return writer.Pdf(width, height, 0);
}

}  // namespace ksdvi
