#include "specials/PdfSpecials.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <locale>
#include <optional>
#include <span>
#include <sstream>
#include <vector>

#include "page/PixelMapping.h"
#include "specials/PdfObjects.h"
#include "specials/PictureSpecials.h"
#include "specials/SpecialParsing.h"
#include "stream/NumberText.h"

namespace ksdvi {

namespace {

using Kind = PdfSpecial::Kind;
using ObjectType = PdfObject::Type;

struct Keyword {
    std::string_view word;
    Kind kind;
};

// dvipdfm's keywords, with their other spellings.
constexpr Keyword kKeywords[] = {
    {"bann", Kind::AreaStart},
    {"beginann", Kind::AreaStart},
    {"bannot", Kind::AreaStart},
    {"eann", Kind::AreaEnd},
    {"endann", Kind::AreaEnd},
    {"eannot", Kind::AreaEnd},
    {"nolink", Kind::Pause},
    {"link", Kind::Resume},
    {"ann", Kind::Box},
    {"annot", Kind::Box},
    {"annotate", Kind::Box},
    {"dest", Kind::Anchor},
    {"outline", Kind::Outline},
    {"out", Kind::Outline},
    {"pagesize", Kind::Paper},
    {"docinfo", Kind::Information},
    {"mapline", Kind::MapLine},
    {"tounicode", Kind::ToUnicode},
    {"image", Kind::Image},
    {"img", Kind::Image},
    {"epdf", Kind::Image},  // dvipdfm's, which graphicx's dvipdfmx driver writes for PDF files
    {"btrans", Kind::TransformStart},
    {"begintransform", Kind::TransformStart},
    {"bt", Kind::TransformStart},
    {"gsave", Kind::TransformStart},
    {"q", Kind::TransformStart},
    {"etrans", Kind::TransformEnd},
    {"endtransform", Kind::TransformEnd},
    {"et", Kind::TransformEnd},
    {"grestore", Kind::TransformEnd},
    {"Q", Kind::TransformEnd},
};

// dvipdfmx's x: specials that transform.
constexpr Keyword kExtensionKeywords[] = {
    {"scale", Kind::Transform},
    {"xscale", Kind::Transform},
    {"yscale", Kind::Transform},
    {"rotate", Kind::Transform},
    {"gsave", Kind::TransformStart},
    {"grestore", Kind::TransformEnd},
    // pstricks' \psscalebox for xdvipdfmx: scaled about the current point until escale
    {"bscale", Kind::TransformStart},
    {"escale", Kind::TransformEnd},
};

constexpr double kDegree = 3.14159265358979323846 / 180;

using Matrix = std::array<double, 6>;

// Scaled, then turned counterclockwise by `rotate` degrees, as PDF writes it.
Matrix Turn(double rotate, double xscale = 1, double yscale = 1) {
    double const c = std::cos(rotate * kDegree), s = std::sin(rotate * kDegree);
    return {xscale * c, xscale * s, -yscale * s, yscale * c, 0, 0};
}

// A transformation as dvipdfmx reads one: scales and a rotation (degrees,
// counter-clockwise), or a matrix.
void SetMatrix(PdfSpecial& special, double xscale, double yscale, double rotate) {
    Matrix const m = Turn(rotate, xscale, yscale);
    std::copy(m.begin(), m.end(), special.matrix);
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// A TeX dimension ("12pt", "1.5truein") in scaled points; `unit` follows a bare number.
std::optional<int> Dimension(std::string text, std::string_view unit = {}) {
    if (size_t t = text.find("true"); t != std::string::npos) text.erase(t, 4);
    text.append(unit);
    std::vector<unsigned char> bytes(text.begin(), text.end());
    bytes.push_back(0);
    int sp = 0;
    unsigned char* end = getdimen(bytes.data(), &sp);
    if (!end || *end != 0) return std::nullopt;
    return sp;
}

// The link of an annotation's dictionary: links are /Subtype /Link.
bool ReadLink(PdfObjectReader& reader, PdfSpecial& special) {
    PdfObject dictionary;
    if (!reader.Read(dictionary) || dictionary.type != ObjectType::Dictionary) return false;
    PdfObject const* subtype = dictionary.Find("Subtype");
    if (subtype && subtype->Text() == "Link") {
        special.target = PdfLinkTarget(dictionary);
        special.border = PdfLinkBorder(dictionary);
    }
    return true;
}

// A LENGTH at tokens[i]; the unit may stand apart from the number: "10 pt", "10 true pt".
std::optional<int> ReadLength(std::vector<PdfToken> const& tokens, size_t& i) {
    std::string length = i < tokens.size() ? tokens[i++].text : std::string();
    while (!Dimension(length) && i < tokens.size() && tokens[i].type == PdfToken::Type::Word && length.size() < 40)
        length += tokens[i++].text;
    return Dimension(length);
}

std::optional<double> ReadNumber(std::vector<PdfToken> const& tokens, size_t& i) {
    if (i >= tokens.size() || tokens[i].type != PdfToken::Type::Word) return std::nullopt;
    std::optional<double> const value = FiniteNumber(tokens[i++].text);
    if (!value || std::fabs(*value) > 1e7) return std::nullopt;
    return value;
}

// Six numbers at tokens[i].
bool ReadMatrix(std::vector<PdfToken> const& tokens, size_t& i, double (&matrix)[6]) {
    for (double& value : matrix) {
        std::optional<double> number = ReadNumber(tokens, i);
        if (!number) return false;
        value = *number;
    }
    return true;
}

// btrans's keys: scale, xscale, yscale, rotate, matrix.
bool ReadTransformation(std::vector<PdfToken> const& tokens, PdfSpecial& special) {
    double scale = 1, xscale = 1, yscale = 1, rotate = 0;
    std::optional<double> number;
    for (size_t i = 0; i < tokens.size();) {
        if (tokens[i].type != PdfToken::Type::Word) return false;
        std::string const key = tokens[i++].text;
        if (key == "matrix") return ReadMatrix(tokens, i, special.matrix) && i == tokens.size();
        if (!(number = ReadNumber(tokens, i))) return false;
        if (key == "scale")
            scale = *number;
        else if (key == "xscale")
            xscale = *number;
        else if (key == "yscale")
            yscale = *number;
        else if (key == "rotate")
            rotate = *number;
        else
            return false;
    }
    SetMatrix(special, scale * xscale, scale * yscale, rotate);
    return true;
}

// x:scale SX SY, x:bscale SX SY, x:xscale S, x:yscale S, x:rotate DEGREES.
bool ReadExtensionTransformation(std::vector<PdfToken> const& tokens, PdfSpecial& special) {
    size_t i = 0;
    std::optional<double> first = ReadNumber(tokens, i), second = ReadNumber(tokens, i);
    std::string_view const word = special.keyword;
    bool const both = word == "scale" || word == "bscale";
    if (!first || i != tokens.size() || both != second.has_value()) return false;
    if (both) SetMatrix(special, *first, *second, 0);
    if (word == "xscale") SetMatrix(special, *first, 1, 0);
    if (word == "yscale") SetMatrix(special, 1, *first, 0);
    if (word == "rotate") SetMatrix(special, 1, 1, *first);
    return true;
}

// [@name] keys, then (file): the picture's size as given, or as its bbox
// (in bp) says with the other side kept in proportion, then scaled; or its
// own size.
bool ReadImage(std::vector<PdfToken> const& tokens, PdfSpecial& special) {
    size_t i = 0;
    if (i < tokens.size() && tokens[i].type == PdfToken::Type::Word && tokens[i].text.starts_with('@')) ++i;
    std::optional<int> width, height;
    double scale = 1, xscale = 1, yscale = 1, rotate = 0, box[4] = {0, 0, 0, 0};
    bool boxed = false;
    while (i < tokens.size() && tokens[i].type == PdfToken::Type::Word) {
        std::string const key = tokens[i++].text;
        std::optional<double> number;
        if (key == "width" || key == "height" || key == "depth") {
            std::optional<int> sp = ReadLength(tokens, i);
            if (!sp) return false;
            if (key != "depth") (key == "width" ? width : height) = *sp;
        } else if (key == "scale" || key == "xscale" || key == "yscale" || key == "rotate") {
            if (!(number = ReadNumber(tokens, i))) return false;
            (key == "scale" ? scale : key == "xscale" ? xscale : key == "yscale" ? yscale : rotate) = *number;
        } else if (key == "bbox") {
            for (double& edge : box) {
                if (!(number = ReadNumber(tokens, i))) return false;
                edge = *number;
            }
            boxed = true;
        } else if (key == "matrix") {
            if (!ReadMatrix(tokens, i, special.matrix)) return false;
        } else if (key == "page") {
            if (!(number = ReadNumber(tokens, i)) || *number < 0 || *number > 1e6) return false;
            special.page = std::max(1, static_cast<int>(*number));  // xetex.def's 0 is the first
        } else if (key == "clip") {
            if (!(number = ReadNumber(tokens, i))) return false;
            special.clip = *number != 0;
        } else if (key == "pagebox") {
            ++i;
        } else {
            return false;  // hide: not drawn
        }
    }
    // Turned about its lower left corner after it is sized (dvipdfm's
    // `image rotate 45 scale 0.5`), counterclockwise.
    auto turn = [&] {
        if (rotate == 0) return;
        double const(&m)[6] = special.matrix;
        Matrix const r = Turn(rotate);
        Matrix const t = {m[0] * r[0] + m[1] * r[2], m[0] * r[1] + m[1] * r[3], m[2] * r[0] + m[3] * r[2],
                          m[2] * r[1] + m[3] * r[3], m[4] * r[0] + m[5] * r[2], m[4] * r[1] + m[5] * r[3]};
        std::copy(t.begin(), t.end(), special.matrix);
    };
    if (i >= tokens.size() || tokens[i].type != PdfToken::Type::String || tokens[i].text.empty()) return false;
    special.target = tokens[i].text;
    if (boxed && box[2] > box[0] && box[3] > box[1])
        special.box = std::array<double, 4>{box[0], box[1], box[2], box[3]};
    double const bw = (box[2] - box[0]) * kSpPerBigPoint, bh = (box[3] - box[1]) * kSpPerBigPoint;
    double w = width.value_or(0), h = height.value_or(0);
    if (!width && !height && !boxed) {
        // At its own size, which its file gives (XeTeX's \XeTeXpicfile): the scales join the matrix.
        for (int k = 0; k < 4; ++k) special.matrix[k] *= scale * (k < 2 ? xscale : yscale);
        turn();
        return true;
    }
    if (!width && !height) {
        if (!boxed) return false;
        w = bw, h = bh;
    } else if (!height) {
        h = bw > 0 ? w * bh / bw : 0;
    } else if (!width) {
        w = bh > 0 ? h * bw / bh : 0;
    }
    w *= scale * xscale;
    h *= scale * yscale;
    // A width or a height alone, with no box: the picture keeps its proportions (PictInfo).
    if (!(w >= 0 && h >= 0 && w + h > 0 && w < 1e9 && h < 1e9) || ((w == 0 || h == 0) && boxed)) return false;
    special.right = static_cast<int>(w);
    special.height = static_cast<int>(h);
    turn();
    return true;
}

// [@name] (width|height|depth LENGTH)... or bbox LLX LLY URX URY, then the dictionary.
bool ReadBox(std::vector<PdfToken> const& tokens, PdfSpecial& special) {
    size_t i = 0;
    if (i < tokens.size() && tokens[i].type == PdfToken::Type::Word && tokens[i].text.starts_with('@')) ++i;
    int width = 0;
    bool box = false;
    while (i < tokens.size() && tokens[i].type == PdfToken::Type::Word) {
        std::string const& key = tokens[i++].text;
        if (key == "bbox") {
            int edges[4];
            for (int& edge : edges) {
                std::optional<int> sp = i < tokens.size() ? Dimension(tokens[i++].text, "bp") : std::nullopt;
                if (!sp) return false;
                edge = *sp;
            }
            special.left = edges[0];
            special.right = edges[2];
            special.depth = -edges[1];
            special.height = edges[3];
            box = true;
            continue;
        }
        if (key != "width" && key != "height" && key != "depth") return false;
        std::optional<int> sp = ReadLength(tokens, i);
        if (!sp) return false;
        (key == "width" ? width : key == "height" ? special.height : special.depth) = *sp;
    }
    if (!box) special.right = width;
    // dvipdfm asks for a width and a height or a depth.
    if (special.right <= special.left || special.height + special.depth <= 0) return false;
    PdfObjectReader reader(tokens, i, tokens.size());
    return ReadLink(reader, special);
}

// (name) [page /XYZ ...]: the anchor is the current point.
bool ReadAnchor(PdfObjectReader& reader, PdfSpecial& special) {
    PdfObject name, destination;
    if (!reader.Read(name) || name.type != ObjectType::String || name.text.empty()) return false;
    if (!reader.Read(destination) || destination.type != ObjectType::Array) return false;
    special.target = name.text;
    return true;
}

// [] open, [-] closed, nothing closed; the level; the dictionary.
bool ReadOutline(PdfObjectReader& reader, PdfSpecial& special) {
    PdfObject object;
    if (!reader.Read(object)) return false;
    if (object.type == ObjectType::Array) {
        bool closed =
            object.items.size() == 1 && object.items[0].type == ObjectType::Word && object.items[0].text == "-";
        if (!closed && !object.items.empty()) return false;
        special.open = !closed;
        if (!reader.Read(object)) return false;
    }
    if (object.type != ObjectType::Number || std::fabs(object.number) > kFarthestPdfOutlineLevel) return false;
    special.level = static_cast<int>(object.number);
    PdfObject dictionary;
    if (!reader.Read(dictionary) || dictionary.type != ObjectType::Dictionary) return false;
    if (PdfObject const* title = dictionary.Find("Title")) {
        special.titleBytes = title->Text();
        special.title = PdfTextToUtf8(special.titleBytes);
    }
    // A bookmark leads to an anchor of the document, or nowhere ksdvi shows.
    std::string target = PdfLinkTarget(dictionary);
    if (target.starts_with('#')) special.target = target.substr(1);
    return true;
}

bool ReadPaper(std::vector<PdfToken> const& tokens, PdfSpecial& special) {
    std::string width, height;
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].text == "width") width = tokens[i + 1].text;
        if (tokens[i].text == "height") height = tokens[i + 1].text;
    }
    if (width.empty() || height.empty()) return false;
    special.paper = width + "," + height;
    return true;
}

}  // namespace

bool ShapesOnlyThePdfFile(std::string_view keyword) {
    static constexpr std::string_view kFileOnly[] = {"majorversion", "minorversion", "docview", "names",
                                                     "thread",       "article",      "bead",    "fstream",
                                                     "encrypt",      "pageresources"};
    return std::find(std::begin(kFileOnly), std::end(kFileOnly), keyword) != std::end(kFileOnly);
}

std::string_view PdfKeywordOf(std::string_view args) {
    size_t start = 0;
    while (start < args.size() && IsBlankChar(args[start])) ++start;
    size_t end = start;
    while (end < args.size() && end - start < kLongestPdfKeyword && IsLetter(args[end])) ++end;
    return args.substr(start, end - start);
}

std::optional<int> ThisPageRotation(std::string_view args) {
    std::string_view const keyword = PdfKeywordOf(args);
    if (keyword != "put") return std::nullopt;
    std::string_view rest = args.substr(size_t(keyword.data() - args.data()) + keyword.size());
    while (!rest.empty() && IsBlankChar(rest.front())) rest.remove_prefix(1);
    if (!rest.starts_with("@thispage")) return std::nullopt;
    size_t const key = rest.find("/Rotate");
    if (key == std::string_view::npos) return std::nullopt;
    std::string_view number = rest.substr(key + 7);
    while (!number.empty() && IsBlankChar(number.front())) number.remove_prefix(1);
    int degrees = 0;
    if (std::from_chars(number.data(), number.data() + number.size(), degrees).ec != std::errc() || degrees % 90 != 0)
        return std::nullopt;
    return (degrees % 360 + 360) % 360;
}

PdfSpecial ParsePdfSpecial(std::string_view args, bool extension) {
    PdfSpecial special;
    std::string_view const keyword = PdfKeywordOf(args);
    size_t const end = size_t(keyword.data() - args.data()) + keyword.size();
    special.keyword = keyword;
    special.kind = Kind::Other;
    for (Keyword const& keyword : extension ? std::span<Keyword const>(kExtensionKeywords) : kKeywords)
        if (keyword.word == special.keyword) special.kind = keyword.kind;
    if (special.kind == Kind::Other && special.keyword == "literal" && args.size() < 200) {
        // "X Y W H re W n", nothing else (not "direct", not within q ... Q).
        std::istringstream words{std::string(args.substr(end))};
        words.imbue(std::locale::classic());  // whatever locale a host set for C++
        std::array<double, 4> r{};
        std::string re, clip, none, more;
        if (words >> r[0] >> r[1] >> r[2] >> r[3] >> re >> clip >> none && !(words >> more) && re == "re" &&
            clip == "W" && none == "n" &&
            std::all_of(r.begin(), r.end(), [](double v) { return std::fabs(v) < 1e6; })) {
            special.kind = Kind::ClipRect;
            special.box = std::array<double, 4>{std::min(r[0], r[0] + r[2]), std::min(r[1], r[1] + r[3]),
                                                std::max(r[0], r[0] + r[2]), std::max(r[1], r[1] + r[3])};
        }
        return special;
    }
    if (special.kind == Kind::Other) return special;
    if (args.size() > kLongestPdfSpecial) {
        special.kind = Kind::None;
        return special;
    }
    if (special.kind == Kind::MapLine || special.kind == Kind::ToUnicode) {
        // A map line or a CMap's name, not PDF objects: the words as written.
        std::string_view line = args.substr(end);
        while (!line.empty() && IsBlankChar(line.front())) line.remove_prefix(1);
        while (!line.empty() && IsBlankChar(line.back())) line.remove_suffix(1);
        special.target = line;
        return special;
    }

    bool whole = true;
    std::vector<PdfToken> const tokens = PdfTokens(args.substr(end), &whole);
    PdfObjectReader reader(tokens);
    bool read = whole;
    switch (special.kind) {
    case Kind::AreaStart: read = read && ReadLink(reader, special); break;
    case Kind::Box: read = read && ReadBox(tokens, special); break;
    case Kind::Anchor: read = read && ReadAnchor(reader, special); break;
    case Kind::Outline: read = read && ReadOutline(reader, special); break;
    case Kind::Paper: read = read && ReadPaper(tokens, special); break;
    case Kind::Information: {
        PdfObject dictionary;
        read = read && reader.Read(dictionary) && dictionary.type == ObjectType::Dictionary;
        if (read) ReadDocumentInfo(dictionary, special.info);
        break;
    }
    case Kind::TransformStart:
        // One not understood still saves the state, which its end gives back.
        if (extension ? special.keyword == "bscale" && !(read && ReadExtensionTransformation(tokens, special))
                      : !(read && ReadTransformation(tokens, special)))
            SetMatrix(special, 1, 1, 0);
        read = true;
        break;
    case Kind::Transform: read = read && ReadExtensionTransformation(tokens, special); break;
    case Kind::Image:
        // What ksdvi cannot draw (PDF pages, turned pictures) stays a PDF engine's.
        if (!(whole && ReadImage(tokens, special)) || PictureTypeOfFileName(special.target) < kPictureJpeg) {
            special.kind = Kind::Other;
            special.target.clear();
        }
        return special;
    default: read = true; break;  // what follows eann (a form's name) changes nothing here
    }
    if (!read) {
        PdfSpecial none;
        none.keyword = std::move(special.keyword);
        return none;
    }
    return special;
}

}  // namespace ksdvi
