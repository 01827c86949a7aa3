#include <gtest/gtest.h>

#include "app/AppHelpers.h"
#include "app/Profile.h"
#include "jpegmeta/BulkFilterForm.h"
#include "support/TestSupport.h"

namespace qv::test {
namespace {

TEST(BulkFilterForm, EachDependentControlFollowsItsOwnCheckBox) {
  BulkFilterDialogValues v;
  BulkFilterEnables e = BulkFilterEnablesFor(v);
  EXPECT_FALSE(e.extEdit || e.appnDetails || e.exifDetails || e.logPath);
  v.extFilter = 1;
  e = BulkFilterEnablesFor(v);
  EXPECT_TRUE(e.extEdit);
  EXPECT_FALSE(e.appnDetails || e.exifDetails || e.logPath);
  v = {};
  v.removeAppX = 1;
  e = BulkFilterEnablesFor(v);
  EXPECT_TRUE(e.appnDetails);
  EXPECT_FALSE(e.extEdit || e.exifDetails || e.logPath);
  v = {};
  v.convertExif = 1;
  v.createLog = 1;
  e = BulkFilterEnablesFor(v);
  EXPECT_TRUE(e.exifDetails && e.logPath);
  EXPECT_FALSE(e.extEdit || e.appnDetails);
  EXPECT_TRUE(ExifEnglishEnabled(true));
  EXPECT_FALSE(ExifEnglishEnabled(false));
  EXPECT_TRUE(AppnSelectAllState(false));
  EXPECT_FALSE(AppnSelectAllState(true));
}

TEST(BulkFilterForm, TheLogPathMovesIntoANewDestinationKeepingItsFileName) {
  EXPECT_EQ(LogPathForDestination("/media/card/DCIM", "/home/u/blkflt.htm"), "/media/card/DCIM/blkflt.htm");
  EXPECT_EQ(LogPathForDestination("/media/card/", "/home/u/log.html"), "/media/card/log.html");
  EXPECT_EQ(LogPathForDestination("/", "/home/u/log.html"), "/log.html");
  EXPECT_EQ(LogPathForDestination("/out", "bare.htm"), "/out/bare.htm");
  EXPECT_EQ(LogPathForDestination("/out", "/home/u/"), "/out/");
  EXPECT_EQ(LogDialogFolder("/home/u/blkflt.htm"), "/home/u");
  EXPECT_EQ(LogDialogFolder("/blkflt.htm"), "/");
  EXPECT_EQ(LogDialogFolder("blkflt.htm"), "");
}

TEST(BulkFilterForm, OkKeepsTheControlsAndTheDetailsWithoutWritingTheProfile) {
  TempDir dir;
  const std::string ini = dir.File("q.ini");
  WriteFileText(ini, "[bulkfilter]\nRemoveThumb=5\nRemoveAPP3=0\nExifGenEng=1\n");
  CProfile profile(ini);
  CBulkFilterForm form;
  form.Load(profile);
  BulkFilterDialogValues v = form.Values();
  EXPECT_EQ(v.removeThumb, 1);  // any nonzero value shows as checked
  EXPECT_EQ(v.convertExif, 1);
  EXPECT_EQ(v.extFilter, 1);
  EXPECT_EQ(v.extList, ".jpg;.jfif;.jpeg");
  EXPECT_EQ(v.srcDir, HomeDirectory() + "/Exif/in");
  EXPECT_EQ(form.Settings().RemoveAPP[3], 0);
  EXPECT_EQ(form.Settings().ExifGenEng, 1);

  v.srcDir = "/in";
  v.dstDir = "/out";
  v.logPath = "/out/x.htm";
  v.extList = ".jpe";
  v.createLog = 1;
  v.removeThumb = 0;
  v.uniteDht = 1;
  v.recurse = 1;
  form.Store(v);
  const CBulkFilterSettings& s = form.Settings();
  EXPECT_EQ(s.SrcDirectory, "/in");
  EXPECT_EQ(s.DstDirectory, "/out");
  EXPECT_EQ(s.LogFilePath, "/out/x.htm");
  EXPECT_EQ(s.StrExtFilter, ".jpe");
  EXPECT_EQ(s.CreateLog, 1);
  EXPECT_EQ(s.RemoveThumb, 0);
  EXPECT_EQ(s.UniteDHT, 1);
  EXPECT_EQ(s.RecurseDir, 1);
  EXPECT_EQ(s.RemoveAPP[3], 0);  // the details are not the main dialog's
  EXPECT_EQ(s.ExifGenEng, 1);
  EXPECT_EQ(ReadFileText(ini), "[bulkfilter]\nRemoveThumb=5\nRemoveAPP3=0\nExifGenEng=1\n");
}

TEST(BulkFilterForm, SavingWritesEveryKeyThatReadsBackAsShown) {
  TempDir dir;
  const std::string ini = dir.File("q.ini");
  CProfile profile(ini);
  CBulkFilterForm form;
  form.Load(profile);
  form.Settings().RemoveAPP[14] = 0;
  form.Settings().ExifUserCmt = 0;
  BulkFilterDialogValues v = form.Values();
  v.dstDir = "/card";
  v.removeCom = 1;
  v.extFilter = 0;
  ASSERT_TRUE(form.StoreAndSave(v, profile));

  CProfile reread(ini);
  const char* keys[] = {"SrcDirectory", "DstDirectory", "CreateLog", "LogFilePath", "RemoveThumb", "RemoveJFXX",
                        "RemoveAppX", "UniteDQT", "UniteDHT", "RemoveCOM", "ConvertExif", "ExifGenCmt",
                        "ExifGenEng", "ExifUserCmt", "RecurseDir", "ExtFilter", "StrExtFilter"};
  for (const char* key : keys) EXPECT_TRUE(reread.Read("bulkfilter", key).has_value()) << key;
  for (int n = 1; n <= 15; ++n)
    EXPECT_TRUE(reread.Read("bulkfilter", "RemoveAPP" + std::to_string(n)).has_value()) << n;
  CBulkFilterForm back;
  back.Load(reread);
  EXPECT_EQ(back.Settings().DstDirectory, "/card");
  EXPECT_EQ(back.Settings().RemoveCOM, 1);
  EXPECT_EQ(back.Settings().ExtFilter, 0);
  EXPECT_EQ(back.Settings().RemoveAPP[14], 0);
  EXPECT_EQ(back.Settings().RemoveAPP[13], 1);
  EXPECT_EQ(back.Settings().ExifUserCmt, 0);
}

} // namespace
} // namespace qv::test
