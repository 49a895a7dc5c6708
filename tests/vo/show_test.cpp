// Show files: what they may say, what a show maker is told when they say it
// wrong, and the checks of the pictures and raw files against the layers. (The
// default content and the built-in show: tests/e2e's goldens and --check.)
#include <gtest/gtest.h>
#include <filesystem>
#include <set>
#include <string>
#include "tests/support/paths.h"
#include "tests/support/temp_folder.h"
#include "tests/vo/files.h"
#include "vo/show/showcheck.h"
#include "vo/show/showfile.h"

namespace {

const char* const Sprite = "[[layer]]\nkind = \"sprite\"\npicture = \"a.scl\"\n";

std::string Layers(int n, const std::string& layer) {
  std::string text;
  for (int i = 0; i < n; ++i) text += layer;
  return text;
}

std::string Source(const std::string& path) { return testpaths::ReadText(testpaths::Source() + "/" + path); }

// The shows of the repository and the documentation's example read; the
// second show and the example use every kind, the example every field.
TEST(ShowFile, RepositoryShowsAndTheDocumentedExampleRead) {
  const std::string doc = Source("docs/SHOWS.md");
  const size_t start = doc.find("```toml\n"), end = doc.find("```\n", start + 8);
  ASSERT_NE(end, std::string::npos);
  const std::string texts[] = {Source("shows/default.show"), Source("shows/ribbons.show"),
                               doc.substr(start + 8, end - start - 8)};
  for (int i = 0; i < 3; ++i) {
    sShow show;
    std::string error;
    ASSERT_TRUE(ParseShow(texts[i], "show", &show, &error)) << error;
    std::set<int> kinds;
    std::set<std::pair<int, int>> fields;
    for (const sShowLayer& l : show.Layers) {
      kinds.insert(static_cast<int>(l.Kind));
      for (const sShowLayer::Setting& s : l.Settings) fields.insert({static_cast<int>(l.Kind), s.Field});
      for (const sShowTrack& t : l.Tracks) fields.insert({static_cast<int>(l.Kind), t.Field});
    }
    EXPECT_EQ(kinds.size(), static_cast<size_t>(LayerKindCount)) << i;
    size_t all = 0;
    for (int k = 0; k < LayerKindCount; ++k) all += LayerFields(static_cast<sLayerKind>(k)).size();
    if (i == 2) { EXPECT_EQ(fields.size(), all); }
  }
}

// Every kind of mistake: the message names the file, line and column and
// what was expected there.
TEST(ShowFile, MistakesAreNamedWithTheirPlace) {
  const std::string big(MaxShowFileBytes + 1, '#');
  struct Case { std::string text, message; } cases[] = {
      {"pack = \"v01.dat\nx", "x.show:1:16: "},  // the TOML parser's own message
      {"pack = 3\n", "x.show:1:8: expected a file name in quotes for pack, found a whole number"},
      {"colour = 1\n", "x.show:1:10: unknown key \"colour\" (expected pack, soundtrack, [channels] or [[layer]])"},
      {"pack = \"a\"\n", "x.show:1:1: the show has no [[layer]]"},
      {"layer = 1\n", "x.show:1:9: expected [[layer]] tables, found a whole number"},
      {"[[layer]]\nname = \"x\"\n", "x.show:1:1: layer 0 needs kind = \"backdrop\""},
      {"[[layer]]\nkind = \"blob\"\n", "x.show:2:8: expected \"backdrop\", \"palette-ramp\""},
      {"[[layer]]\nkind = \"sprite\"\n", "x.show:1:1: layer 0 (sprite) needs picture = \"FILE\""},
      {std::string(Sprite) + "zoom = 2\n",
       "x.show:4:8: unknown key \"zoom\" in layer 0 (sprite) (expected kind, name, channels, keys, picture, x, y, "
       "clip)"},
      {std::string(Sprite) + "y = \"top\"\n", "x.show:4:5: expected a number for layer 0 (sprite) y, found a string"},
      {std::string(Sprite) + "y = nan\n", "x.show:4:5: expected a number for layer 0 (sprite) y from -100000 to 100000"},
      {std::string(Sprite) + "y = 1e9\n", "x.show:4:5: expected a number for layer 0 (sprite) y from -100000"},
      {std::string(Sprite) + "clip = [1, 2]\n", "x.show:4:8: expected a list of 4 numbers for layer 0 (sprite) clip"},
      {std::string(Sprite) + "channels = [32]\n",
       "x.show:4:13: expected a whole number from 0 to 31 for layer 0 (sprite) channels"},
      {std::string(Sprite) + "keys.x = [[100, 1], [50, 2]]\n",
       "x.show:4:21: expected the keys of layer 0 (sprite) keys.x in time order (this one goes back)"},
      {std::string(Sprite) + "keys.x = [[100, 1, 2]]\n", "x.show:4:11: expected [time, value] for layer 0 (sprite) keys.x"},
      {std::string(Sprite) + "keys.x = [[-1, 1]]\n", "x.show:4:12: expected a number for layer 0 (sprite) keys.x time"},
      {std::string(Sprite) + "keys.zoom = [[0, 1]]\n", "x.show:4:13: unknown field \"zoom\" in layer 0 (sprite) keys"},
      {std::string(Sprite) + "keys.x = [" + Layers(33, "[0, 1],") + "]\n",
       "x.show:4:10: expected a list of 1 to 32 keys for layer 0 (sprite) keys.x"},
      {std::string(Sprite) + "keys.x = [[1000, -99000], [1000.25, 0], [1000.5, 99000], [2000, 99000]]\n",
       "x.show:4:10: the curve of layer 0 (sprite) keys.x swings out of range"},
      {"[[layer]]\nkind = \"backdrop\"\npicture = \"a.scl\"\nremap = [47, 32]\n",
       "x.show:4:9: expected low <= high for layer 0 (backdrop) remap"},
      {"[[layer]]\nkind = \"shade-rect\"\nname = \"line\"\npicture = \"a.scl\"\n",
       "x.show:4:11: unknown key \"picture\" in layer 0 \"line\" (shade-rect)"},
      {"[channels]\n1 = [2000, 1000]\n", "x.show:2:5: expected a start before the end for channel 1"},
      {"[channels]\n40 = [0, 1000]\n", "x.show:2:6: expected a channel number from 0 to 31 instead of \"40\""},
      {Layers(65, "[[layer]]\nkind = \"shade-rect\"\n"), "x.show:129:1: a show has at most 64 layers"},
      {Layers(17, "[[layer]]\nkind = \"palette-ramp\"\nkeys.target = [[0, 1, 2, 3]]\nkeys.fade = [[0, 1]]\n"),
       "x.show:1:1: the show animates 68 values; at most 64 can have keys"},
      {"[[layer]]\nkind = \"palette-image\"\n",
       "x.show:1:1: layer 0 (palette-image) takes its colours from the masked effect's palette"},
      {Layers(2, "[[layer]]\nkind = \"masked-effect\"\nmask = \"m\"\nblob = \"b\"\ntexture = \"t\"\npalette = \"p\"\n"),
       "x.show:1:1: layer 0 (masked-effect): a show has at most one masked effect"},
      {"[[layer]]\nkind = \"masked-effect\"\nmask = \"m\"\nblob = \"b\"\ntexture = \"t\"\npalette = \"p\"\n"
       "x0 = 0\nkeys.x1 = [[0, 100], [10, 400]]\n",
       "x.show:1:1: layer 0 (masked-effect) reaches 400 x 100 pixels; the effect covers at most 352 x 352"},
      {"x = " + std::string(300, '[') + std::string(300, ']') + "\n", "x.show:1:"},
      {big, "x.show:1:1: larger than 1 MiB"},
      // Above ASCII only in strings and comments; UTF-8 only; no control characters, comments included.
      {"# caf\u00e9\nname = \"\u03e7\"\nx = [0, \u03e7]\n", "x.show:3:9: a character that is not ASCII outside a string or comment"},
      {"# caf\xc3\n", "x.show:1:6: bytes that are not UTF-8"},
      {"x = '\xe0\x80\xaf'\n", "x.show:1:6: bytes that are not UTF-8"},  // overlong
      {"x = \"\xed\xa0\x80\"\n", "x.show:1:6: bytes that are not UTF-8"},  // a surrogate
      {"x = 1\n# a\x01\n", "x.show:2:4: a control character; a show file holds none but tab and line ends"},
      {"x = \"\x7f\"\n", "x.show:1:6: a control character"},
      {"x = \"a\\\u00e9\"\n", "x.show:1:"},  // no escape; the parser's own message
      {"x = 'a\u00e9\n", "x.show:1:"},  // not closed
      // Places count the show file's characters, not the escapes the parser is given.
      {"name = \"\u00e9\u00e9\" x\n", "x.show:1:13: "},
      {"name = 'a\u00e9\\\"' x\n", "x.show:1:15: "},
      {"\xef\xbb\xbflayer = [{ kind = \"sprite\", name = \"\u00e9\", picture = 3 }]\n", "x.show:1:51: expected a file name"},
      {"a" + Layers(10001, ".a") + " = 1\n", "x.show:1:1: more than 10000 dots, brackets and braces"},
  };
  for (const Case& c : cases) {
    sShow show;
    std::string error;
    EXPECT_FALSE(ParseShow(c.text, "x.show", &show, &error)) << c.text;
    EXPECT_EQ(error.find(c.message), 0u) << "got: " << error << "\nwanted: " << c.message;
  }
}

TEST(ShowFile, KeysOfAColourMakeATrackPerComponent) {
  sShow show;
  std::string error;
  // Dots in comments and strings nest nothing.
  ASSERT_TRUE(ParseShow("# " + std::string(20000, '.') + "\n[[layer]]\nname = '" + std::string(200, '.') +
                            "'\nkind = \"palette-ramp\"\nchannels = [0, 5]\n"
                        "keys.target = [[0, 1, 2, 3], [500.5, 4, 5, 6]]\n",
                        "x.show", &show, &error))
      << error;
  const sShowLayer& l = show.Layers[0];
  EXPECT_EQ(l.ChannelMask, 0x21u);
  ASSERT_EQ(l.Tracks.size(), 3u);
  EXPECT_EQ(l.Tracks[2].Component, 2);
  EXPECT_EQ(l.Tracks[2].Keys[1].Time, 500.5f);
  EXPECT_EQ(l.Tracks[2].Keys[1].Value, 6.0f);
}

// Characters above ASCII in every kind of string read as written; the
// parser itself is given escapes.
TEST(ShowFile, StringsHoldAnyCharacter) {
  struct Case { std::string written, read; } cases[] = {
      {"\"caf\u00e9 \\\"\U0001F600\\\" \\t\"", "caf\u00e9 \"\U0001F600\" \t"},
      {"'caf\u00e9 \\t \"\U0001F600\" '", "caf\u00e9 \\t \"\U0001F600\" "},
      {"'''\n\u00e9 '' \\ \"\"\" x'''''", "\u00e9 '' \\ \"\"\" x''"},
      {"\"\"\"\u00e9 \\\n   \u03e7\"\"\"\"", "\u00e9 \u03e7\""},
      {"'plain' # caf\u00e9", "plain"},
  };
  for (const Case& c : cases)
    for (const std::string bom : {"", "\xef\xbb\xbf"}) {
      sShow show;
      std::string error;
      ASSERT_TRUE(ParseShow(bom + "[[layer]]\nkind = \"shade-rect\"\nname = " + c.written + "\n", "x.show", &show, &error))
          << c.written << ": " << error;
      EXPECT_EQ(show.Layers[0].Label, c.read);
    }
  // Where a picture is named counts the file's characters too.
  sShow show;
  std::string error;
  ASSERT_TRUE(ParseShow("layer = [{ kind = \"sprite\", name = '\u00e9\\', picture = \"a.scl\" }]", "x.show", &show,
                        &error))
      << error;
  EXPECT_EQ(show.Layers[0].Pictures[0].Place.Column, 52);
}

class ShowData : public TempFolder {
protected:
  sShow Effect(const std::string& fields) {
    sShow show;
    std::string error;
    EXPECT_TRUE(ParseShow("[[layer]]\nkind = \"masked-effect\"\nmask = \"m.scl\"\nblob = \"b.raw\"\ntexture = "
                          "\"t.raw\"\npalette = \"p.raw\"\n" + fields +
                              "[[layer]]\nkind = \"wipe\"\npicture = \"w.scl\"\n",
                          "", &show, &error))
        << error;
    return show;
  }
  std::string Check(const std::string& name) {
    sShowData data;
    data.OpenFolder(dir_);
    for (const sNeed& n : ShowNeeds(Effect("x0 = 0\ny0 = 0\nx1 = 100\ny1 = 50\n")))
      if (n.Name == name) {
        const sNeedState s = CheckNeed(data, n);
        return s.Problem.empty() ? "ok: " + s.Found : s.Problem;
      }
    return "not needed";
  }
};

TEST_F(ShowData, EachFileIsCheckedAgainstWhatItsLayerNeeds) {
  votest::WriteImage(Path("m.scl"), 100, 50, {64});
  votest::WriteFile(Path("b.raw"), std::vector<uint8_t>(4096));
  votest::WriteFile(Path("t.raw"), std::vector<uint8_t>(352 * 50));
  votest::WriteFile(Path("p.raw"), std::vector<uint8_t>(768));
  votest::WriteImage(Path("w.scl"), 511, 200, {16});
  for (const char* name : {"m.scl", "b.raw", "t.raw", "p.raw", "w.scl"}) EXPECT_EQ(Check(name).rfind("ok", 0), 0u) << name;
  EXPECT_EQ(Check("m.scl"), "ok: Index 8, 100 x 50");
  votest::WriteImage(Path("m.scl"), 99, 50, {64});
  EXPECT_EQ(Check("m.scl"), "is 99 x 50; it must be at least 100 x 50");
  votest::WriteImage(Path("m.scl"), 100, 50, {1, 2}, 16);
  EXPECT_EQ(Check("m.scl"), "is a 0565-16 picture; it must be an Index 8 picture");
  votest::WriteImage(Path("w.scl"), 512, 10, {16});
  EXPECT_EQ(Check("w.scl"), "is 512 x 10; it must be at most 511 x 511");
  votest::WriteFile(Path("b.raw"), std::vector<uint8_t>(4095));
  EXPECT_EQ(Check("b.raw"), "holds 4095 bytes; it must hold at least 4096 bytes");
  votest::WriteFile(Path("t.raw"), std::vector<uint8_t>(352 * 50 - 1));
  EXPECT_EQ(Check("t.raw"), "holds 17599 bytes; it must hold at least 17600 bytes (50 rows of 352)");
  votest::WriteFile(Path("p.raw"), std::vector<uint8_t>(800));  // only what is read must be there
  EXPECT_EQ(Check("p.raw"), "ok: 800 bytes");
  std::filesystem::remove(Path("p.raw"));
  EXPECT_EQ(Check("p.raw"), "missing");
  std::filesystem::create_directory(Path("p.raw"));  // a folder is no file
  EXPECT_EQ(Check("p.raw"), "missing");
  // Damaged image files are named for what is wrong, without loading them.
  const std::vector<uint8_t> head = {'B', 'M', 'A', 'P', 8, 2, 10, 0, 10, 0, 10, 0};
  std::vector<uint8_t> file = head;
  file.resize(head.size() + 100);
  file.insert(file.end(), {'b', 'm', 'a', 'p'});
  Write("w.scl", file);
  EXPECT_EQ(Check("w.scl"), "ok: Index 8, 10 x 10");
  Write("w.scl", std::vector<uint8_t>(file.begin(), file.end() - 5));
  EXPECT_EQ(Check("w.scl"), "is cut short (its pixel rows run past its end)");
  file[5] = 6;  // a levels byte follows, and it is 0
  Write("w.scl", file);
  EXPECT_EQ(Check("w.scl"), "has 0 levels (1 to 15)");
  Write("w.scl", {'B', 'M', 'A', 'P', 12, 0, 'b', 'm', 'a', 'p'});
  EXPECT_EQ(Check("w.scl"), "has a depth of 12 bits (images have 1, 8, 16 or 24)");
  Write("w.scl", {'P', 'N', 'G'});
  EXPECT_EQ(Check("w.scl"), "is not an image file (no BMAP tag)");
  Write("w.scl", {'B', 'M', 'A', 'P', 8, 2, 0, 0, 5, 0, 0, 0, 'b', 'm', 'a', 'p'});
  EXPECT_EQ(Check("w.scl"), "is 0 x 5 pixels (empty)");
}

TEST_F(ShowData, PacksAreReadWithoutTheFatalPaths) {
  // "PACK", two words, the count; per entry size, offset and name; "pack"; the data.
  std::vector<uint8_t> pack = {'P', 'A', 'C', 'K', 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 37, 0, 0, 0};
  for (char c : std::string("Vo\\X.RAW")) pack.push_back(static_cast<uint8_t>(c));
  pack.push_back(0);
  pack.insert(pack.end(), {'p', 'a', 'c', 'k', 7, 8, 9});
  Write("ok.dat", pack);
  sShowData data;
  std::string error;
  ASSERT_TRUE(data.OpenPack(Path("ok.dat"), &error)) << error;
  EXPECT_EQ(data.Size("vo/x.raw"), 3);
  EXPECT_EQ(data.Read("VO/X.raw", 1, 10), (std::vector<uint8_t>{8, 9}));
  EXPECT_EQ(data.Size("vo/y.raw"), -1);
  EXPECT_EQ(data.Folder(), dir_);
  sNeed raw;
  raw.Name = "vo/x.raw";
  raw.Image = false;
  raw.MinBytes = 3;
  EXPECT_EQ(CheckNeed(data, raw).Problem, "");
  pack[16] = 4;  // one byte more than the pack holds
  Write("long.dat", pack);
  ASSERT_TRUE(data.OpenPack(Path("long.dat"), &error)) << error;
  EXPECT_EQ(CheckNeed(data, raw).Problem, "runs past the end of the pack");
  struct Case { std::vector<uint8_t> bytes; const char* message; } cases[] = {
      {{'Z', 'I', 'P'}, "not a pack file (no PACK tag)"},
      {{'P', 'A', 'C', 'K', 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 'p', 'a', 'c', 'k'},
       "not a pack file (its directory does not fit)"},
      {std::vector<uint8_t>(pack.begin(), pack.end() - 6), "not a pack file (its directory is damaged)"},
  };
  for (const Case& c : cases) {
    Write("bad.dat", c.bytes);
    EXPECT_FALSE(data.OpenPack(Path("bad.dat"), &error));
    EXPECT_EQ(error, Path("bad.dat") + ": " + c.message);
  }
  EXPECT_FALSE(data.OpenPack(Path("none.dat"), &error));
  EXPECT_EQ(error, Path("none.dat") + ": no such pack file");
  EXPECT_FALSE(data.OpenPack(dir_, &error));
  EXPECT_EQ(error, dir_ + ": not a file");
}

}  // namespace
