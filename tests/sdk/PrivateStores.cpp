// Every test of this suite runs with a device table and a settings store of
// its process's own, so that it neither sees nor leaves behind anything of
// another run (or of the user's own settings).

#include <gtest/gtest.h>

#include <memory>

#include "../support/PrivateDeviceTable.h"
#include "../support/PrivateSettings.h"

namespace {

class PrivateStores : public ::testing::Environment {
public:
    void SetUp() override
    {
        table_ = std::make_unique<tavix::test::PrivateDeviceTable>();
        settings_ = std::make_unique<tavix::test::PrivateSettings>();
    }
    void TearDown() override
    {
        settings_.reset();
        table_.reset();
    }

private:
    std::unique_ptr<tavix::test::PrivateDeviceTable> table_;
    std::unique_ptr<tavix::test::PrivateSettings> settings_;
};

[[maybe_unused]] ::testing::Environment* const kStores = ::testing::AddGlobalTestEnvironment(new PrivateStores);

} // namespace
