#pragma once
// The host's document: remembers what the host needs from the specials that
// the library itself does not keep: the picture files named, in scan order,
// and the paper size of a dvips papersize special.

#include <optional>
#include <string>
#include <vector>

#include "PaperSize.h"
#include "dvi/KsDvi.h"

class HostDocument : public KsDvi {
public:
    std::vector<std::string> const& GetPictures() const { return pictures_; }
    // The first papersize special of the document, when it has a valid one.
    std::optional<PaperSize> const& GetPaperSpecial() const { return paper_; }

protected:
    void AppendPictFile(String8 const& name) override { pictures_.emplace_back(name.view()); }
    void DoSpecial(unsigned char* text, int length) override;

private:
    std::vector<std::string> pictures_;
    std::optional<PaperSize> paper_;
};
