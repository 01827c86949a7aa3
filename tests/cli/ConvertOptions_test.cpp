// convert's option table, called in-process: what each command line yields.
#include <gtest/gtest.h>

#include "cli/ConvertOptions.h"

namespace qv::cli {
namespace {

struct Outcome {
  Parsed parsed;
  ConvertOptions o;
  std::string error;
};

Outcome Parse(const Args& args) {
  Outcome r;
  r.parsed = ParseConvertOptions(args, r.o, r.error);
  return r;
}

TEST(ConvertOptions, EveryOptionInBothSpellingsAndTheShortForms) {
  const Outcome r = Parse({"--in", "photos", "--out=dcim", "--start", "next", "-q", "50", "--size=640x480", "-j4",
                           "--overwrite", "--dry-run", "-v", "a.jpg"});
  ASSERT_EQ(r.parsed, Parsed::Ok) << r.error;
  EXPECT_EQ(r.o.in, "photos");
  EXPECT_EQ(r.o.out, "dcim");
  EXPECT_EQ(r.o.start, "next");
  EXPECT_EQ(r.o.quality, 50);
  EXPECT_EQ(r.o.width, 640);
  EXPECT_EQ(r.o.height, 480);
  EXPECT_EQ(r.o.jobs, 4);
  EXPECT_TRUE(r.o.overwrite && r.o.dryRun && r.o.verbose);
  EXPECT_EQ(r.o.files, Args{"a.jpg"});
  const Outcome s = Parse({"-o", "x", "--quality=7", "--jobs", "64", "--start=0042"});
  ASSERT_EQ(s.parsed, Parsed::Ok) << s.error;
  EXPECT_EQ(s.o.out, "x");
  EXPECT_EQ(s.o.quality, 7);
  EXPECT_EQ(s.o.jobs, 64);
  EXPECT_EQ(s.o.start, "42");
}

TEST(ConvertOptions, NothingGivenLeavesEachValueToTheSettings) {
  const Outcome r = Parse({});
  ASSERT_EQ(r.parsed, Parsed::Ok);
  EXPECT_EQ(r.o.in, "");
  EXPECT_EQ(r.o.out, "");
  EXPECT_EQ(r.o.start, "");
  EXPECT_EQ(r.o.quality, -1);
  EXPECT_EQ(r.o.width, 0);
  EXPECT_EQ(r.o.height, 0);
  EXPECT_EQ(r.o.jobs, 0);
  EXPECT_FALSE(r.o.overwrite || r.o.dryRun || r.o.verbose);
  EXPECT_TRUE(r.o.files.empty());
}

TEST(ConvertOptions, FilesMixWithOptionsAndDoubleDashEndsTheOptions) {
  const Outcome r = Parse({"b.jpg", "-o", "out", "a.jpg", "--", "-c.jpg", "--quality", "-"});
  ASSERT_EQ(r.parsed, Parsed::Ok) << r.error;
  EXPECT_EQ(r.o.out, "out");
  EXPECT_EQ(r.o.quality, -1);
  EXPECT_EQ(r.o.files, (Args{"b.jpg", "a.jpg", "-c.jpg", "--quality", "-"}));
}

TEST(ConvertOptions, ABadValueNamesTheOptionAndWhatItTakes) {
  const std::vector<std::pair<Args, std::string>> cases = {
      {{"--quality", "abc"}, "--quality: 'abc' is not a number from 1 to 100"},
      {{"-q", "101"}, "--quality: '101' is not a number from 1 to 100"},
      {{"--quality=0"}, "--quality: '0' is not a number from 1 to 100"},
      {{"--size", "12"}, "--size: '12' is not a size WxH, each side from 1 to 65500"},
      {{"--size=65501x1"}, "--size: '65501x1' is not a size WxH, each side from 1 to 65500"},
      {{"--size", "0x5"}, "--size: '0x5' is not a size WxH, each side from 1 to 65500"},
      {{"-j", "0"}, "--jobs: '0' is not a number from 1 to 64"},
      {{"--jobs=65"}, "--jobs: '65' is not a number from 1 to 64"},
      {{"--start", "10000"}, "--start: '10000' is not a number from 1 to 9999 or 'next'"},
      {{"--start", "later"}, "--start: 'later' is not a number from 1 to 9999 or 'next'"},
      {{"--in", ""}, "--in: the path is empty"},
      {{"a.jpg", "--quality"}, "--quality: missing value (a number from 1 to 100)"},
      {{"--overwrite=yes"}, "--overwrite takes no value"},
      {{"--bogus=1"}, "unknown option '--bogus' (a file name starting with '-' goes after --)"},
      {{"-x.jpg"}, "unknown option '-x.jpg' (a file name starting with '-' goes after --)"},
      {{"--o", "x"}, "option '--o' is ambiguous: --out, --overwrite"},
  };
  for (const auto& c : cases) {
    const Outcome r = Parse(c.first);
    EXPECT_EQ(r.parsed, Parsed::Usage) << c.second;
    EXPECT_EQ(r.error, c.second);
  }
}

TEST(ConvertOptions, UniquePrefixesOfLongNamesAreTheirOptions) {
  const Outcome r = Parse({"--qual", "60", "--over", "--dry"});
  ASSERT_EQ(r.parsed, Parsed::Ok) << r.error;
  EXPECT_EQ(r.o.quality, 60);
  EXPECT_TRUE(r.o.overwrite && r.o.dryRun);
}

TEST(ConvertOptions, HelpIsAskedForAnywhereAndQuietIsTaken) {
  EXPECT_EQ(Parse({"a.jpg", "--help"}).parsed, Parsed::Help);
  EXPECT_EQ(Parse({"-vh"}).parsed, Parsed::Help);
  EXPECT_EQ(Parse({"--quiet", "a.jpg"}).parsed, Parsed::Ok);
}

TEST(ConvertOptions, EachParseStartsAfreshAfterOneThatStoppedInsideAWord) {
  // "-xv" stops at x with v still unread; the next parse must not see it.
  EXPECT_EQ(Parse({"-xv"}).parsed, Parsed::Usage);
  const Outcome r = Parse({"-q", "50"});
  ASSERT_EQ(r.parsed, Parsed::Ok) << r.error;
  EXPECT_EQ(r.o.quality, 50);
  EXPECT_FALSE(r.o.verbose);
  EXPECT_TRUE(r.o.files.empty());
}

} // namespace
} // namespace qv::cli
