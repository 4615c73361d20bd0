#pragma once
// The host's document: remembers what the host needs from the specials that
// the library itself does not keep: the picture files named, in scan order.

#include <optional>
#include <string>
#include <vector>

#include "dvi/KsDvi.h"

class HostDocument : public KsDvi {
public:
    std::vector<std::string> const& GetPictures() const { return pictures_; }

protected:
    void AppendPictFile(String8 const& name) override { pictures_.emplace_back(name.view()); }

private:
    std::vector<std::string> pictures_;
};
