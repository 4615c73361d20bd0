#include "specials/DocumentInfo.h"

#include <utility>

#include "specials/PdfObjects.h"

namespace ksdvi {

void DocumentInfo::Merge(DocumentInfo const& later) {
    for (auto [from, to] : {std::pair{&later.title, &title}, {&later.author, &author}, {&later.subject, &subject},
                            {&later.keywords, &keywords}, {&later.creator, &creator}})
        if (!from->empty()) *to = *from;
}

void ReadDocumentInfo(PdfObject const& dictionary, DocumentInfo& info) {
    std::pair<char const*, std::string*> const entries[] = {{"Title", &info.title},
                                                            {"Author", &info.author},
                                                            {"Subject", &info.subject},
                                                            {"Keywords", &info.keywords},
                                                            {"Creator", &info.creator}};
    for (auto const& [key, value] : entries)
        if (PdfObject const* entry = dictionary.Find(key); entry && entry->type == PdfObject::Type::String)
            *value = PdfTextToUtf8(entry->Text());
}

}  // namespace ksdvi
