// RegItemOpt: the key rule, and values that are set whole or not at all.
#include "sources/ie_settings/reg_item_opt.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/text/text.h"
#include "sources/restore_confinement.h"
#include "tests/support/restore_fixture.h"

namespace qv::test {
namespace {

constexpr char16_t kMain[] = u"Software\\Microsoft\\Internet Explorer\\Main";

TEST(SettingsKeyRule, OnlyTheIeKeyAndBelowUnderTheCurrentUser) {
  for (std::u16string_view good : {u"Software\\Microsoft\\Internet Explorer", u"software\\MICROSOFT\\internet explorer\\Main",
                                   u"Software\\Microsoft\\Internet Explorer\\A\\B C\\..x"}) {
    EXPECT_EQ(SettingsKeyProblem(kHkeyCurrentUser, good), "") << ToUtf8(good);
  }
  for (std::u16string_view bad :
       {u"", u"Software", u"Software\\Microsoft", u"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
        u"Software\\Microsoft\\Internet ExplorerX", u"Software\\Microsoft\\Internet Explorer\\..\\..\\Run",
        u"Software\\Microsoft\\Internet Explorer\\.\\Main", u"Software\\Microsoft\\Internet Explorer\\",
        u"\\Software\\Microsoft\\Internet Explorer", u"Software\\\\Microsoft\\Internet Explorer"}) {
    EXPECT_FALSE(SettingsKeyProblem(kHkeyCurrentUser, bad).empty()) << ToUtf8(bad);
  }
  EXPECT_FALSE(SettingsKeyProblem(0x80000002u, u"Software\\Microsoft\\Internet Explorer").empty());
  EXPECT_FALSE(SettingsKeyProblem(kHkeyClassesRoot, u"Software\\Microsoft\\Internet Explorer").empty());
}

class RegItemOptTest : public ::testing::Test {
 protected:
  std::unique_ptr<RegItemOpt> Begun(RestoreOptions options = {}) {
    if (!m_pWrites) {
      Status refused;
      m_pWrites = Os().RegBeginWrites(kHkeyCurrentUser, &refused);
    }
    options.pRegistryWrites = m_pWrites.get();
    auto item = std::make_unique<RegItemOpt>(options);
    RegItemHead head;
    head.item.root = kHkeyCurrentUser;
    head.item.type = kRegBinary;
    EXPECT_TRUE(SetTextField(head.item.subkey, kMain));
    EXPECT_TRUE(SetTextField(head.item.valueName, u"V"));
    const RegItemHeadBytes bytes = EncodeRegItemHead(head);
    EXPECT_TRUE(item->SetHead(std::span<const std::uint8_t>(bytes).subspan(4)));
    m_bBegun = item->Begin();
    return item;
  }
  std::optional<std::string> Value() {
    RegKey key = 0;
    if (Os().RegOpenKeyExW(kHkeyCurrentUser, kMain, kKeyRead, &key) != kErrorSuccess) return std::nullopt;
    std::uint32_t size = 0;
    std::string data;
    bool found = Os().RegQueryValueExW(key, u"V", nullptr, nullptr, &size) == kErrorSuccess;
    data.resize(size);
    found = found && Os().RegQueryValueExW(key, u"V", nullptr, reinterpret_cast<std::uint8_t*>(data.data()),
                                           &size) == kErrorSuccess;
    (void)Os().RegCloseKey(key);
    if (!found) return std::nullopt;
    data.resize(size);
    return data;
  }

  RestoreFixture m_fixture;
  std::unique_ptr<RegistryWrites> m_pWrites;  // uncommitted: reads see the values
  bool m_bBegun = false;
};

TEST_F(RegItemOptTest, ValueIsSetAtEndOnlyAndWhole) {
  m_fixture.Profile().SetValue(kMain, u"V", kRegBinary, "old");
  auto item = Begun();
  ASSERT_TRUE(m_bBegun) << item->SkipReason();
  EXPECT_TRUE(item->TargetExists());
  const std::string part(30000, 'p');
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(item->Write(reinterpret_cast<const std::uint8_t*>(part.data()), 30000), 30000u);
  }
  EXPECT_EQ(Value(), "old");
  EXPECT_TRUE(item->End());
  EXPECT_TRUE(Value() == std::string(90000, 'p'));
}

TEST_F(RegItemOptTest, DiscardedOrOversizedValuesLeaveTheOldValue) {
  m_fixture.Profile().SetValue(kMain, u"V", kRegBinary, "old");
  auto discarded = Begun();
  discarded->Write(reinterpret_cast<const std::uint8_t*>("new"), 3);
  discarded->Discard();
  EXPECT_FALSE(discarded->End());

  auto oversized = Begun();
  const std::uint8_t byte = 0;
  EXPECT_EQ(oversized->Write(&byte, 1), 1u);
  // Write refuses on the stated length alone and never reads a block it refuses,
  // so a one-byte buffer stands in for a block that would pass the cap.
  EXPECT_EQ(oversized->Write(&byte, kMaxRegValueSize), 0u);
  EXPECT_FALSE(oversized->End());
  EXPECT_NE(oversized->SkipReason().find("exceed"), std::string::npos);
  EXPECT_EQ(Value(), "old");
}

TEST_F(RegItemOptTest, BlockedRegistryAndDryRunSetNothing) {
  RestoreOptions blocked;
  blocked.strRegistryBlocked = "the hive is dirty";
  auto refused = Begun(blocked);
  EXPECT_FALSE(m_bBegun);
  EXPECT_EQ(refused->SkipReason(), "the hive is dirty");

  RestoreOptions dryRun;
  dryRun.bDryRun = true;
  auto planned = Begun(dryRun);
  ASSERT_TRUE(m_bBegun);
  planned->Write(reinterpret_cast<const std::uint8_t*>("new"), 3);
  EXPECT_TRUE(planned->End());
  EXPECT_EQ(Value(), std::nullopt);
}

}  // namespace
}  // namespace qv::test
