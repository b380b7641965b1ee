// The record list of a restore: what it sets aside on the disk comes back whole and
// in order, with what happened to it since, and a disk that fails it loses nothing.
#include "store/reader/record_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "tests/support/fault_injecting_platform.h"
#include "tests/support/profile_fixture.h"

namespace qv::test {
namespace {

constexpr std::size_t kSmallMemory = 16 * 1024;

RecordResult Record(std::size_t i) {
  RecordResult record;
  record.nKind = i % 3 == 0 ? 2 : 1;
  record.strTarget = "favorite %USERPROFILE%\\Favorites\\" + std::to_string(i) + std::string(i % 300, 'n');
  record.outcome = static_cast<RecordOutcome>(i % 4);
  if (record.outcome != RecordOutcome::kRestored) record.strReason = "why " + std::string(i % 500, 'w');
  record.bReplaced = i % 5 == 0;
  record.nBytes = i * 7;
  return record;
}

std::vector<RecordResult> Walked(const RecordList& list) {
  std::vector<RecordResult> walked;
  for (const RecordResult& record : list) walked.push_back(record);
  return walked;
}

void ExpectSame(const RecordResult& a, const RecordResult& b) {
  EXPECT_EQ(a.nKind, b.nKind);
  EXPECT_EQ(a.strTarget, b.strTarget);
  EXPECT_EQ(a.outcome, b.outcome);
  EXPECT_EQ(a.strReason, b.strReason);
  EXPECT_EQ(a.bReplaced, b.bReplaced);
  EXPECT_EQ(a.nBytes, b.nBytes);
}

RecordTally TallyOf(const std::vector<RecordResult>& records) {
  RecordTally tally;
  for (const RecordResult& record : records) tally.Add(record);
  return tally;
}

void ExpectTally(const RecordTally& a, const RecordTally& b) {
  for (const RecordOutcome outcome :
       {RecordOutcome::kRestored, RecordOutcome::kSkipped, RecordOutcome::kDamaged, RecordOutcome::kCutShort}) {
    EXPECT_EQ(a.Count(outcome), b.Count(outcome));
  }
  EXPECT_EQ(a.nBytesRestored, b.nBytesRestored);
  EXPECT_EQ(a.nReplaced, b.nReplaced);
}

// Records set aside come back in order, as often as asked, and the temporary file
// goes with the list.
TEST(RecordList, SetsAsideAndReadsBackInOrder) {
  ProfileFixture profile;
  std::vector<RecordResult> expected;
  {
    RecordList list(kSmallMemory);
    for (std::size_t i = 0; i < 2000; ++i) {
      expected.push_back(Record(i));
      list.push_back(Record(i));
    }
    ASSERT_GT(list.SetAsideCount(), 1000u);
    EXPECT_FALSE(std::filesystem::is_empty(profile.Scratch("tmp")));
    for (int walk = 0; walk < 2; ++walk) {
      const std::vector<RecordResult> walked = Walked(list);
      ASSERT_EQ(walked.size(), expected.size());
      for (std::size_t i = 0; i < walked.size(); ++i) ExpectSame(walked[i], expected[i]);
    }
    ExpectSame(list[17], expected[17]);
    ExpectTally(list.Tally(), TallyOf(expected));
    EXPECT_TRUE(list.ReadProblem().empty());
    // Handed on, as a job hands its report to its summary: the file goes along.
    RecordList taken(std::move(list));
    EXPECT_EQ(list.size(), 0u);
    EXPECT_TRUE(Walked(list).empty());
    EXPECT_EQ(Walked(taken).size(), expected.size());
  }
  EXPECT_TRUE(std::filesystem::is_empty(profile.Scratch("tmp")));
}

// A failed batch marks records after they were set aside, a hive that was not
// written every setting restored so far; the walk and the counts tell both, and a
// setting restored after that stays restored.
TEST(RecordList, LateChangesReachRecordsSetAside) {
  ProfileFixture profile;
  RecordList list(kSmallMemory);
  std::vector<RecordResult> expected;
  const auto add = [&](std::size_t i) {
    expected.push_back(Record(i));
    list.push_back(Record(i));
  };
  const auto skip = [](RecordResult& record, const std::string& why) {
    record.outcome = RecordOutcome::kSkipped;
    record.strReason = why;
    record.nBytes = 0;
  };
  for (std::size_t i = 0; i < 1500; ++i) add(i);
  ASSERT_GT(list.SetAsideCount(), 100u);
  for (const std::size_t index : {std::size_t{4}, std::size_t{8}, list.size() - 4}) {
    list.MarkSkipped(index, "the batch failed");
    skip(expected[index], "the batch failed");
  }
  list.MarkSkipped(8, "failed again");
  skip(expected[8], "failed again");
  list.SkipRestored(2, "the hive was not written");
  for (RecordResult& record : expected) {
    if (record.nKind == 2 && record.outcome == RecordOutcome::kRestored) skip(record, "the hive was not written");
  }
  for (std::size_t i = 1500; i < 1600; ++i) add(i);

  const std::vector<RecordResult> walked = Walked(list);
  ASSERT_EQ(walked.size(), expected.size());
  for (std::size_t i = 0; i < walked.size(); ++i) ExpectSame(walked[i], expected[i]);
  ExpectTally(list.Tally(), TallyOf(expected));
}

// A disk that takes nothing keeps the records in memory; one that cannot give them
// back says so instead of ending the list quietly.
TEST(RecordList, ADiskThatFailsLosesNoRecordSilently) {
  ProfileFixture profile;
  FaultInjectingPlatform faults(profile.platform());
  const ScopedPlatform scope(faults);
  {
    faults.FailNthWrite(1);
    RecordList list(kSmallMemory);
    for (std::size_t i = 0; i < 500; ++i) list.push_back(Record(i));
    EXPECT_EQ(list.SetAsideCount(), 0u);
    EXPECT_EQ(Walked(list).size(), 500u);
  }
  faults.Reset();
  RecordList list(kSmallMemory);
  for (std::size_t i = 0; i < 500; ++i) list.push_back(Record(i));
  ASSERT_GT(list.SetAsideCount(), 0u);
  faults.FailReadsAfterBytes(1000);
  EXPECT_LT(Walked(list).size(), 500u);
  EXPECT_NE(list.ReadProblem().find("cannot read back"), std::string::npos) << list.ReadProblem();
}

}  // namespace
}  // namespace qv::test
