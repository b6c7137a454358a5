#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QString>

#include "platform/file_system.h"

namespace vistrel::platform {
namespace {

struct MatchRow {
  const char* pattern;
  const char* name;
  bool matches;
};

TEST(WildcardMatch, FollowsTheHomePlatformRules) {
  const MatchRow rows[] = {
      {"*.jpg", "SNAP.JPG", true},
      {"*.jpg", "snap.jpg", true},
      {"*.jpg", "snap.jpeg", false},
      {"*.jpg", "snap.jpg.bak", false},
      {"*.jpg", "jpg", false},
      {"*.*", "README", true},  // no dot: still matched, as on Windows
      {"*.*", ".hidden", true},
      {"*", "anything at all", true},
      {"name.*", "name", true},
      {"name.*", "name.txt", true},
      {"name.*", "names.txt", false},
      {"?.jpg", "a.jpg", true},
      {"?.jpg", "ab.jpg", false},
      {"?.jpg", "\xC3\xA4.jpg", true},  // "?" is one character, not one byte
      {"*a*b*", "xxaYYbzz", true},
      {"*a*b*", "xxbYYazz", false},
      {"\xC3\xA4*", "\xC3\x84rger.jpg", true},  // accented letters ignore case too
      {"", "a", false},
      {"", "", true},
  };
  for (const MatchRow& row : rows) {
    EXPECT_EQ(wildcardMatch(row.pattern, row.name), row.matches)
        << row.pattern << " vs " << row.name;
  }
}

TEST(UpperName, MapsLettersOneToOne) {
  EXPECT_EQ(upperName("a10.jpg"), "A10.JPG");
  EXPECT_EQ(upperName("\xC3\xBC"
                      "ber \"x\" 'y'"),
            "\xC3\x9C"
            "BER \"X\" 'Y'");  // ü -> Ü
  EXPECT_EQ(upperName("stra\xC3\x9F"
                      "e"),
            "STRA\xC3\x9F"
            "E");                                      // ß has no one-letter capital
  EXPECT_EQ(upperName("bad\xFF\xC3"), "BAD\xFF\xC3");  // not UTF-8: kept
}

TEST(NameLess, ComparesUpperCasedNamesOrdinally) {
  std::vector<std::string> names = {"b.jpg", "A2.JPG", "a10.jpg", "_x.jpg", "B.JPG", "~z"};
  std::sort(names.begin(), names.end(), nameLess);
  // "B.JPG" and "b.jpg" are equal but for case: their own bytes decide.
  const std::vector<std::string> expected = {"a10.jpg", "A2.JPG", "B.JPG", "b.jpg", "_x.jpg", "~z"};
  EXPECT_EQ(names, expected);
}

TEST(HostNames, EveryHostNameBecomesUtf8AndComesBackUnchanged) {
  struct Row {
    std::string host;
    bool keptAsItIs;  // already UTF-8 and free of the escape characters
  };
  const Row rows[] = {
      {"caf\xE9.jpg", false},    // a legacy code page
      {"\xFF\xFE", false},       // bytes that never start UTF-8
      {"\xC0\xAF", false},       // an overlong "/"
      {"\xED\xA0\x80", false},   // an encoded surrogate
      {"x\xEF\x9F\xA9", false},  // U+F7E9 spelled on disk: an escape character itself
      {"back\\slash", false},    // legal on the host, a separator in a Windows path
      {"\xEF\x9D\x9C", false},   // U+F75C, the backslash's escape, spelled on disk
      {"Stra\xC3\x9F"
       "e",
       true},                          // Straße
      {"\xF0\x9F\x93\xB7.jpg", true},  // a camera emoji
  };
  for (const Row& row : rows) {
    const std::string inside = hostNameToWindows(row.host);
    EXPECT_EQ(windowsNameToHost(inside), row.host);
    EXPECT_EQ(QString::fromUtf8(inside).toUtf8().toStdString(), inside) << "not UTF-8";
    EXPECT_EQ(inside == row.host, row.keptAsItIs);
    EXPECT_EQ(inside.find('\\'), std::string::npos) << row.host;
  }
}

}  // namespace
}  // namespace vistrel::platform
