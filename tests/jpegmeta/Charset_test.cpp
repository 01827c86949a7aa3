#include "jpegmeta/Charset.h"

#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace qv {
namespace {

// 日本 in each encoding.
const std::string kNihonSjis = "\x93\xFA\x96\x7B";
const std::string kNihonEuc = "\xC6\xFC\xCB\xDC";
const std::string kNihonUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC";
const std::string kNihonJis = "\x1B$B\x46\x7C\x4B\x5C\x1B(B";

int Detect(const std::string& s) { return DetectCharset(s.data(), static_cast<long>(s.size())); }
std::string To(const std::string& s, int code) { return ToInternal(s.data(), code, static_cast<long>(s.size())); }
std::string From(const std::string& s, int code) {
  return FromInternal(s.data(), code, static_cast<long>(s.size()));
}

// Every JIS X 0208 row/cell code as Shift_JIS internal text.
std::string AllJisX0208AsSjis() {
  std::string s;
  for (int j1 = 0x21; j1 <= 0x7E; ++j1)
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      const uint16_t code = JisToSjis(static_cast<uint16_t>(j1 << 8 | j2));
      s += static_cast<char>(code >> 8);
      s += static_cast<char>(code & 0xFF);
    }
  return s;
}

std::string HalfWidthKatakana() {
  std::string s;
  for (int b = 0xA1; b <= 0xDF; ++b) s += static_cast<char>(b);
  return s;
}

TEST(CharsetName, GivesTheFirstNameOfEachCode) {
  EXPECT_STREQ(CharsetName(0), "us-ascii");
  EXPECT_STREQ(CharsetName(1), "iso-2022-jp");
  EXPECT_STREQ(CharsetName(2), "euc-jp");
  EXPECT_STREQ(CharsetName(3), "shift_jis");
  EXPECT_STREQ(CharsetName(4), "utf-8");
  EXPECT_STREQ(CharsetName(6), "iso-10646-ucs-2");
}

TEST(CharsetName, GivesNoneForUnknownCodes) {
  EXPECT_EQ(CharsetName(-1), nullptr);
  EXPECT_EQ(CharsetName(5), nullptr);
  EXPECT_EQ(CharsetName(7), nullptr);
}

TEST(DetectCharset, PlainAsciiIsAscii) {
  EXPECT_EQ(Detect("Hello, world 0123 ~\x7F\x80"), CS_ASCII);
  EXPECT_EQ(Detect(""), CS_ASCII);
  EXPECT_EQ(DetectCharset(nullptr, 5), CS_ASCII);
}

TEST(DetectCharset, AnEscapeByteMeansJis) {
  EXPECT_EQ(Detect("\x1B"), CS_JIS);
  EXPECT_EQ(Detect("abc\x1B"), CS_JIS);
  EXPECT_EQ(Detect("ab\x1B$B"), CS_JIS);
  EXPECT_EQ(Detect(kNihonJis), CS_JIS);
  // After a pair that decides nothing.
  EXPECT_EQ(Detect("\xEA\x41\x1B"), CS_JIS);
}

TEST(DetectCharset, NihonInEachEncoding) {
  EXPECT_EQ(Detect(kNihonSjis), CS_SJIS);
  EXPECT_EQ(Detect(kNihonEuc), CS_EUCJP);
  EXPECT_EQ(Detect(kNihonUtf8), CS_UTF8);
}

TEST(DetectCharset, ALoneHighByteAtTheEndIsAscii) {
  EXPECT_EQ(Detect("abc\x93"), CS_ASCII);
  EXPECT_EQ(Detect("\xE6"), CS_ASCII);
  // An undecided pair, then a lone byte.
  EXPECT_EQ(Detect("\xEA\x41\xC6"), CS_ASCII);
}

TEST(DetectCharset, FollowsThePairRulesInOrder) {
  EXPECT_EQ(Detect("\x81\x40"), CS_SJIS);
  EXPECT_EQ(Detect("\xA0\xFC"), CS_SJIS);
  EXPECT_EQ(Detect("\x81\x3F"), CS_ASCII);  // undecided
  EXPECT_EQ(Detect("\xA1\xA1"), CS_EUCJP);
  EXPECT_EQ(Detect("\xEB\xA1"), CS_EUCJP);
  EXPECT_EQ(Detect("\xEF\xA1"), CS_EUCJP);
  EXPECT_EQ(Detect("\xDF\xA0"), CS_ASCII);  // undecided
  EXPECT_EQ(Detect("\xE0\x41"), CS_SJIS);
  EXPECT_EQ(Detect("\xE1\xA0"), CS_SJIS);
  EXPECT_EQ(Detect("\xE0\xA1"), CS_EUCJP);
  EXPECT_EQ(Detect("\xF0\x80"), CS_SJIS);
  EXPECT_EQ(Detect("\xE0\x40"), CS_ASCII);  // undecided
  EXPECT_EQ(Detect("\xE2\x40"), CS_SJIS);
  EXPECT_EQ(Detect("\xE9\x7F"), CS_SJIS);
  EXPECT_EQ(Detect("\xE3\x80"), CS_UTF8);
  EXPECT_EQ(Detect("\xE9\xBF"), CS_UTF8);
  EXPECT_EQ(Detect("\xE5\xC0"), CS_SJIS);
  EXPECT_EQ(Detect("\xE5\xFB"), CS_SJIS);
  EXPECT_EQ(Detect("\xE5\xFC"), CS_EUCJP);
  EXPECT_EQ(Detect("\xEA\xA1"), CS_ASCII);  // undecided
  EXPECT_EQ(Detect("\xED\x41"), CS_ASCII);  // undecided
}

TEST(DetectCharset, UndecidedPairsAreSkippedAsPairs) {
  // 0xEA 0x93 is skipped as a pair; 0x93 0xC6 alone would say Shift_JIS.
  EXPECT_EQ(Detect("\xEA\x93\xC6\xFC"), CS_EUCJP);
}

TEST(DetectCharset, NegativeLengthStopsAtTheFirstZeroByte) {
  const char text[] = "abc\0\x93\xFA";
  EXPECT_EQ(DetectCharset(text, -1), CS_ASCII);
  EXPECT_EQ(DetectCharset(text, 6), CS_SJIS);
}

TEST(CharsetJisToSjis, MapsKnownCodes) {
  EXPECT_EQ(JisToSjis(0x2121), 0x8140);
  EXPECT_EQ(JisToSjis(0x467C), 0x93FA);
  EXPECT_EQ(JisToSjis(0x4B5C), 0x967B);
  EXPECT_EQ(JisToSjis(0x2421), 0x829F);
  EXPECT_EQ(JisToSjis(0x2160), 0x8180);  // odd row past 0x7E skips 0x7F
  EXPECT_EQ(JisToSjis(0x5E7E), 0x9FFC);
  EXPECT_EQ(JisToSjis(0x5F21), 0xE040);
  EXPECT_EQ(JisToSjis(0x7E7E), 0xEFFC);
}

TEST(CharsetSjisToJis, IsTheInverseOverAllJisX0208Codes) {
  for (int j1 = 0x21; j1 <= 0x7E; ++j1)
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      const uint16_t jis = static_cast<uint16_t>(j1 << 8 | j2);
      const uint16_t sjis = JisToSjis(jis);
      ASSERT_GE(sjis >> 8, 0x81) << std::hex << jis;
      ASSERT_NE(sjis & 0xFF, 0x7F) << std::hex << jis;
      ASSERT_GE(sjis & 0xFF, 0x40) << std::hex << jis;
      ASSERT_EQ(SjisToJis(sjis), jis) << std::hex << jis;
    }
}

TEST(CharsetToInternal, AsciiShiftJisAndUnknownCodesKeepTheBytes) {
  const std::string bytes("a\x93\xFA\0z", 5);
  for (int code : {0, 3, 5, 7, -1}) EXPECT_EQ(To(bytes, code), bytes) << code;
  EXPECT_EQ(ToInternal("ab\0cd", 0, -1), "ab");
}

TEST(CharsetToInternal, JisAcceptsBothDoubleByteEscapes) {
  EXPECT_EQ(To(kNihonJis, CS_JIS), kNihonSjis);
  EXPECT_EQ(To("\x1B$@\x46\x7C\x4B\x5C\x1B(J!", CS_JIS), kNihonSjis + "!");
}

TEST(CharsetToInternal, JisSkipsOtherEscapes) {
  // ESC ( D: three bytes, no mode change; ESC x: two bytes.
  EXPECT_EQ(To("a\x1B(Db\x1Bxc", CS_JIS), "abc");
  EXPECT_EQ(To("\x1B$B\x46\x7C\x1B$D\x4B\x5C", CS_JIS), kNihonSjis);
}

TEST(CharsetToInternal, JisCutShortNeverReadsPastTheEnd) {
  EXPECT_EQ(To("ab\x1B", CS_JIS), "ab");
  EXPECT_EQ(To("ab\x1B(", CS_JIS), "ab");
  EXPECT_EQ(To("ab\x1B$", CS_JIS), "ab");
  EXPECT_EQ(To("\x1B$B\x46\x7C\x4B", CS_JIS), "\x93\xFA");
}

TEST(CharsetToInternal, EucJpConvertsPairsAndKatakana) {
  EXPECT_EQ(To(kNihonEuc + "a\x8E\xB1", CS_EUCJP), kNihonSjis + "a\xB1");
}

TEST(CharsetToInternal, EucJpCutShortDropsTheHalfCharacter) {
  EXPECT_EQ(To("a\xC6", CS_EUCJP), "a");
  EXPECT_EQ(To("a\x8E", CS_EUCJP), "a");
}

TEST(CharsetToInternal, Utf8BecomesShiftJis) {
  EXPECT_EQ(To(kNihonUtf8 + " A", CS_UTF8), kNihonSjis + " A");
  EXPECT_EQ(To("\xEF\xBD\xB1", CS_UTF8), "\xB1");  // half-width katakana A
  EXPECT_EQ(To("\xC2\xA5", CS_UTF8), "\\");  // yen sign, as the code page maps it
}

TEST(CharsetToInternal, Utf8CutShortDropsTheHalfCharacter) {
  EXPECT_EQ(To("a\xE6\x97", CS_UTF8), "a");
  EXPECT_EQ(To("a\xC3", CS_UTF8), "a");
}

TEST(CharsetToInternal, Utf8UnrepresentableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(To("\xE2\x82\xAC", CS_UTF8), "?");  // euro sign
  // A four-byte form is read as a three-byte one and its fourth byte alone.
  const std::string out = To("\xF0\x9F\x98\x80", CS_UTF8);
  EXPECT_FALSE(out.empty());
  EXPECT_NE(out.find('?'), std::string::npos);
}

TEST(CharsetToInternal, Ucs2CountsSixteenBitUnits) {
  const std::string units("\xE5\x65\x2C\x67" "A\0" "\x00\x00" "B\0", 10);
  EXPECT_EQ(ToInternal(units.data(), CS_UCS2, 3), kNihonSjis + "A");
  EXPECT_EQ(ToInternal(units.data(), CS_UCS2, -1), kNihonSjis + "A");
  EXPECT_EQ(ToInternal(units.data(), CS_UCS2, 0), "");
}

TEST(CharsetToInternal, Ucs2LoneSurrogateBecomesAQuestionMark) {
  const std::string units("\x00\xD8" "A\0", 4);
  EXPECT_EQ(ToInternal(units.data(), CS_UCS2, 2), "?A");
}

TEST(CharsetFromInternal, AsciiShiftJisAndOtherCodesKeepTheText) {
  for (int code : {0, 3, 5, 7, 99}) EXPECT_EQ(From(kNihonSjis, code), kNihonSjis) << code;
}

TEST(CharsetFromInternal, JisOfAllKanjiStartsAndEndsWithEscapes) {
  EXPECT_EQ(From(kNihonSjis, CS_JIS), "\x1B$@\x46\x7C\x4B\x5C\x1B(J");
}

TEST(CharsetFromInternal, JisSwitchesBackBeforeSingleBytes) {
  EXPECT_EQ(From("a" + kNihonSjis + "b", CS_JIS), "a\x1B$@\x46\x7C\x4B\x5C\x1B(Jb");
  EXPECT_EQ(From("plain", CS_JIS), "plain");
}

TEST(CharsetFromInternal, JisKeepsHalfWidthKatakanaFromSwallowingTheNextByte) {
  const std::string text = "\xB1 " + kNihonSjis;
  const std::string jis = From(text, CS_JIS);
  EXPECT_EQ(jis, "\x1B(I\x31\x1B(J \x1B$@\x46\x7C\x4B\x5C\x1B(J");
  EXPECT_EQ(To(jis, CS_JIS), text);
}

TEST(CharsetFromInternal, LeadByteWithoutTrailIsDropped) {
  EXPECT_EQ(From("a\x93", CS_JIS), "a");
  EXPECT_EQ(From("a\x93", CS_EUCJP), "a");
  EXPECT_EQ(From("a\x93", CS_UTF8), "a?");
}

TEST(CharsetFromInternal, Utf8GivesTheUtf8Bytes) {
  EXPECT_EQ(From(kNihonSjis + "\xB1x", CS_UTF8), kNihonUtf8 + "\xEF\xBD\xB1x");
}

TEST(CharsetFromInternal, Ucs2GivesMultibyteTextAgain) {
  EXPECT_EQ(From(kNihonSjis + "ab\xB1", CS_UCS2), kNihonSjis + "ab\xB1");
}

TEST(CharsetFromInternal, NegativeLengthStopsAtTheFirstZeroByte) {
  const char text[] = "\x93\xFA\0\x96\x7B";
  EXPECT_EQ(FromInternal(text, CS_EUCJP, -1), "\xC6\xFC");
  EXPECT_EQ(FromInternal(text, CS_EUCJP, 5), std::string("\xC6\xFC\0\xCB\xDC", 5));
}

TEST(CharsetRoundTrip, EucJpGivesBackAllJisX0208AndKatakana) {
  const std::string text = AllJisX0208AsSjis() + HalfWidthKatakana() + "ascii\r\n";
  const std::string euc = From(text, CS_EUCJP);
  for (unsigned char c : euc.substr(0, 2 * 94 * 94)) ASSERT_GE(c, 0xA1);
  EXPECT_EQ(Detect(euc), CS_EUCJP);
  EXPECT_EQ(To(euc, CS_EUCJP), text);
}

TEST(CharsetRoundTrip, JisGivesBackAllJisX0208AndKatakana) {
  const std::string text = "x" + AllJisX0208AsSjis() + "y" + HalfWidthKatakana() + "\r\n";
  const std::string jis = From(text, CS_JIS);
  for (unsigned char c : jis) ASSERT_LT(c, 0x80);
  EXPECT_EQ(Detect(jis), CS_JIS);
  EXPECT_EQ(To(jis, CS_JIS), text);
}

TEST(CharsetRoundTrip, Utf8GivesBackCommonText) {
  const std::string text = Utf8ToInternal("カメラの写真 2024年 ｶﾒﾗ ①【テスト】");
  const std::string utf8 = From(text, CS_UTF8);
  EXPECT_EQ(utf8, "カメラの写真 2024年 ｶﾒﾗ ①【テスト】");
  EXPECT_EQ(To(utf8, CS_UTF8), text);
}

TEST(CharsetUtf8ToInternal, ConvertsToShiftJis) {
  EXPECT_EQ(Utf8ToInternal("日本"), kNihonSjis);
  EXPECT_EQ(Utf8ToInternal("abc"), "abc");
  EXPECT_EQ(Utf8ToInternal(""), "");
}

TEST(CharsetUtf8ToInternal, InvalidAndUnrepresentableInputBecomesQuestionMarks) {
  EXPECT_EQ(Utf8ToInternal("a\xFF" "b"), "a?b");
  EXPECT_EQ(Utf8ToInternal("a\xE6\x97"), "a??");
  EXPECT_EQ(Utf8ToInternal("\xE2\x82\xAC"), "?");
  EXPECT_EQ(Utf8ToInternal("\xF0\x9F\x98\x80" "z"), "?z");
  EXPECT_EQ(Utf8ToInternal("\xED\xA0\x80"), "???");  // an encoded surrogate
  EXPECT_EQ(Utf8ToInternal(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(CharsetInternalToUtf8, ConvertsFromShiftJis) {
  EXPECT_EQ(InternalToUtf8(kNihonSjis + "\xB1"), "日本ｱ");
}

TEST(CharsetInternalToUtf8, InvalidBytesBecomeQuestionMarks) {
  EXPECT_EQ(InternalToUtf8("a\x93"), "a?");
  EXPECT_EQ(InternalToUtf8("\xFF" "b"), "?b");
  EXPECT_EQ(InternalToUtf8("\x81\x20" "c"), "? c");
}

TEST(Charset, HostileBytesNeverCrashAnyConversion) {
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    std::vector<char> bytes(rng() % 64);
    for (char& b : bytes) b = static_cast<char>(rng() % 4 == 0 ? 0x1B : rng());
    const long n = static_cast<long>(bytes.size());
    const char* p = bytes.data();
    const int detected = DetectCharset(p, n);
    ASSERT_GE(detected, 0);
    ASSERT_LE(detected, 4);
    for (int code : {-1, 0, 1, 2, 3, 4, 5, 6}) {
      const std::string in = ToInternal(p, code, code == CS_UCS2 ? n / 2 : n);
      const std::string out = FromInternal(p, code, n);
      ASSERT_LE(in.size(), 2 * bytes.size() + 3u);
      ASSERT_LE(out.size(), 6 * bytes.size() + 3u);
    }
    const std::string text(bytes.begin(), bytes.end());
    ASSERT_LE(InternalToUtf8(text).size(), 3 * text.size());
    ASSERT_LE(Utf8ToInternal(text).size(), text.size());
  }
}

TEST(Charset, ConvertsFromSeveralThreadsAtOnce) {
  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t, &results] {
      std::string last;
      for (int i = 0; i < 500; ++i) last = InternalToUtf8(Utf8ToInternal("日本語のコメント " + std::to_string(t)));
      results[t] = last;
    });
  for (auto& th : threads) th.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(results[t], "日本語のコメント " + std::to_string(t));
}

} // namespace
} // namespace qv
