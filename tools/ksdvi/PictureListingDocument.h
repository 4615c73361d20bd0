#pragma once
// A document that remembers the picture files its specials name, in scan order.

#include <string>
#include <vector>

#include "dvi/KsDvi.h"

class PictureListingDocument : public KsDvi {
public:
    std::vector<std::string> const& GetPictures() const { return pictures_; }

protected:
    void AppendPictFile(String8 const& name) override { pictures_.emplace_back(name.view()); }

private:
    std::vector<std::string> pictures_;
};
