// The programs these tests start keep caches in the user's cache directory
// (ksdvi-dvipng the files kpathsea found): each test process gives them a
// directory of its own, removed when it ends.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "support/TempDir.h"

namespace {

class OwnCacheDirectory : public testing::Environment {
public:
    void SetUp() override {
        dir_ = std::make_unique<TempDir>();
        setenv("XDG_CACHE_HOME", dir_->Path().c_str(), 1);
    }
    void TearDown() override { dir_.reset(); }

private:
    std::unique_ptr<TempDir> dir_;
};

testing::Environment* const kOwnCacheDirectory = testing::AddGlobalTestEnvironment(new OwnCacheDirectory);

}  // namespace
