#pragma once
// What a document says of itself for a PDF's information dictionary:
// hyperref's pdftitle, pdfauthor, pdfsubject, pdfkeywords and pdfcreator,
// written as a /DOCINFO pdfmark (dvips) or pdf:docinfo (xdvipdfmx).

#include <string>

namespace ksdvi {

struct PdfObject;

struct DocumentInfo {
    std::string title, author, subject, keywords, creator;  // UTF-8, empty when not said

    // Takes the entries `later` says, keeping the others.
    void Merge(DocumentInfo const& later);
};

// The entries of an information dictionary over `info`: entries it has
// replace those before, others stay.
void ReadDocumentInfo(PdfObject const& dictionary, DocumentInfo& info);

}  // namespace ksdvi
