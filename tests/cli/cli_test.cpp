// The command-line tool, run as a process the way scripts run it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "convert/input_lines.h"
#include "convert/jpeg_test_support.h"
#include "convert/render_text.h"
#include "convert/save_picture.h"
#include "platform/gb18030.h"
#include "text/font_engine.h"
#include "text/font_resolver.h"

namespace t2j {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string Slurp(int fd) {
  std::string data;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) data.append(buffer, static_cast<size_t>(n));
  return data;
}

// Runs the tool with the arguments and the input, in `dir`.
// Standard output goes to `out_path` when it is given, and is then not read back.
Outcome RunCli(const std::vector<std::string>& args, const std::string& input = "",
               const fs::path& dir = fs::current_path(), const fs::path& out_path = {}) {
  const fs::path in_file = dir / ".stdin";
  const fs::path out_file = out_path.empty() ? dir / ".stdout" : out_path;
  const fs::path err_file = dir / ".stderr";
  std::ofstream(in_file, std::ios::binary) << input;
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    const int in = open(in_file.c_str(), O_RDONLY);
    const int out = open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    std::string program = T2J_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Outcome outcome;
  outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (out_path.empty()) {
    const int out = open(out_file.c_str(), O_RDONLY);
    outcome.out = Slurp(out);
    close(out);
  }
  const int err = open(err_file.c_str(), O_RDONLY);
  outcome.err = Slurp(err);
  close(err);
  return outcome;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("t2j-cli-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
};

TEST_F(CliTest, ConvertsStandardInputToPictureJpg) {
  const Outcome outcome = RunCli({}, "你好，世界\nHello\n", dir_);
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  EXPECT_TRUE(outcome.err.empty()) << outcome.err;
  const std::string jpeg = ReadFile(dir_ / "Picture.jpg");
  ASSERT_GE(jpeg.size(), 4u);
  EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
}

TEST_F(CliTest, WarnsOnceOfCharactersNoFontHasAndStillConverts) {
  std::string input = "a\t";
  for (int i = 0; i < 12; ++i)
    input += "\xF3\xB0\x80" + std::string(1, static_cast<char>(0x80 + i));
  input += "\xF3\xB0\x80\x80\n";  // a repeat is named once
  const Outcome outcome = RunCli({}, input, dir_);
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  EXPECT_TRUE(fs::file_size(dir_ / "Picture.jpg") > 0);
  EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
  EXPECT_NE(outcome.err.find("U+F0000 \xF3\xB0\x80\x80, U+F0001"), std::string::npos)
      << outcome.err;
  EXPECT_NE(outcome.err.find("U+F0009 \xF3\xB0\x80\x89 and 2 more"), std::string::npos)
      << outcome.err;
}

TEST_F(CliTest, WritesTheBytesTheWindowWrites) {
  const std::string text = "说明：\n   1 转换的文本宽度\n\nabc\tdef\n";
  std::ofstream(dir_ / "in.txt", std::ios::binary) << text;
  const Outcome outcome = RunCli(
      {"-s", "14", "-c", "#C00000", "-l", "2", "-m", "6", "in.txt", "-o", "cli.jpg"}, "", dir_);
  ASSERT_EQ(outcome.exit_code, 0) << outcome.err;

  // The window's path: lines, settings from the field texts, render, save with numbering off.
  const RenderSettings settings = ReadRenderSettings("宋体", "14", 0x000000C0, "2", "6");
  const RenderedPicture picture = RenderText(InputLines(text), settings, SystemFontEngine(), 96);
  struct NoPreview : PreviewSink {
    void SetPreviewPicture(const RenderedPicture&) override {}
    void RepaintPreview() override {}
  } sink;
  PictureFileState state;
  SavePictureFile(picture, (dir_ / "window").string(), false, false, state, sink);
  EXPECT_EQ(ReadFile(dir_ / "cli.jpg"), ReadFile(dir_ / "window.jpg"));

  // Standard output carries the same bytes, and an existing file is replaced.
  const Outcome piped =
      RunCli({"-s", "14", "-c", "#C00000", "-l", "2", "-m", "6", "-o", "-", "in.txt"}, "", dir_);
  ASSERT_EQ(piped.exit_code, 0) << piped.err;
  EXPECT_EQ(piped.out, ReadFile(dir_ / "window.jpg"));
  std::ofstream(dir_ / "cli.jpg", std::ios::binary) << std::string(1 << 20, 'x');
  ASSERT_EQ(
      RunCli({"-s", "14", "-c", "0xC0", "-l", "2", "-m", "6", "in.txt", "-o", "cli.jpg"}, "", dir_)
          .exit_code,
      0);
  EXPECT_EQ(ReadFile(dir_ / "cli.jpg"), ReadFile(dir_ / "window.jpg"));
}

TEST_F(CliTest, EmptyInputIsAnErrorAndBlankLinesAWhitePicture) {
  const Outcome empty = RunCli({"-o", "empty.jpg"}, "\xEF\xBB\xBF", dir_);
  EXPECT_EQ(empty.exit_code, 1);
  EXPECT_NE(empty.err.find("empty"), std::string::npos) << empty.err;
  EXPECT_FALSE(fs::exists(dir_ / "empty.jpg"));

  // Two blank lines of 16 + 4 pixels between margins of 10.
  const Outcome blank = RunCli({"-o", "blank.jpg"}, "\n\n", dir_);
  ASSERT_EQ(blank.exit_code, 0) << blank.err;
  const auto picture = testing::DecodeJpeg(ReadFile(dir_ / "blank.jpg"));
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->width, 20);
  EXPECT_EQ(picture->height, 2 * 16 + 4 + 2 * 10);
}

TEST_F(CliTest, ReadsGb18030WhenAsked) {
  const std::string text = "宋体字\n";
  std::ofstream(dir_ / "gb.txt", std::ios::binary) << Utf8ToGb18030(text);
  std::ofstream(dir_ / "utf8.txt", std::ios::binary) << text;
  ASSERT_EQ(RunCli({"--encoding", "gb18030", "gb.txt", "-o", "gb.jpg"}, "", dir_).exit_code, 0);
  ASSERT_EQ(RunCli({"utf8.txt", "-o", "utf8.jpg"}, "", dir_).exit_code, 0);
  EXPECT_EQ(ReadFile(dir_ / "gb.jpg"), ReadFile(dir_ / "utf8.jpg"));
  // The byte-order mark is no blank before the first line.
  const Outcome marked = RunCli({"--encoding", "gb18030", "-o", "bom.jpg"},
                                "\x84\x31\x95\x33" + Utf8ToGb18030(text), dir_);
  ASSERT_EQ(marked.exit_code, 0) << marked.err;
  EXPECT_EQ(ReadFile(dir_ / "bom.jpg"), ReadFile(dir_ / "utf8.jpg"));

  // What Windows Notepad saves as "Unicode" is found by its mark; Big5 when asked.
  const Outcome utf16 =
      RunCli({"-o", "u16.jpg"}, std::string("\xFF\xFE\x8B\x5B\x53\x4F\x57\x5B\n\0", 10), dir_);
  ASSERT_EQ(utf16.exit_code, 0) << utf16.err;
  EXPECT_EQ(ReadFile(dir_ / "u16.jpg"), ReadFile(dir_ / "utf8.jpg"));
  const Outcome big5 = RunCli({"--encoding", "big5", "-o", "b5.jpg"}, "\xA7\xBA\n", dir_);
  ASSERT_EQ(big5.exit_code, 0) << big5.err;
  const Outcome binary =
      RunCli({"-o", "bin.jpg"}, std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10), dir_);
  EXPECT_EQ(binary.exit_code, 1);
  EXPECT_NE(binary.err.find("standard input is not a text file"), std::string::npos) << binary.err;
  EXPECT_FALSE(fs::exists(dir_ / "bin.jpg"));
}

TEST_F(CliTest, InvalidTextIsAFailureNotAGarbledPicture) {
  const Outcome gb_as_utf8 = RunCli({"-o", "x.jpg"}, Utf8ToGb18030("宋体"), dir_);
  EXPECT_EQ(gb_as_utf8.exit_code, 1);
  EXPECT_NE(gb_as_utf8.err.find("UTF-8"), std::string::npos) << gb_as_utf8.err;
  const Outcome second_line = RunCli({"-o", "x.jpg"}, "ok\nab\xFF", dir_);
  EXPECT_NE(second_line.err.find("byte 6, line 2"), std::string::npos) << second_line.err;
  EXPECT_FALSE(fs::exists(dir_ / "x.jpg"));

  const Outcome bad_gb = RunCli({"--encoding=gb18030", "-o", "x.jpg"}, "\xCB\xCE\n\nab\x81", dir_);
  EXPECT_EQ(bad_gb.exit_code, 1);
  EXPECT_NE(bad_gb.err.find("GB18030 text: byte 7, line 3"), std::string::npos) << bad_gb.err;
}

TEST_F(CliTest, ConversionFailuresExitOneWithTheWindowsText) {
  const Outcome missing_dir = RunCli({"-o", "no/such/dir/x.jpg"}, "abc", dir_);
  EXPECT_EQ(missing_dir.exit_code, 1);
  EXPECT_NE(missing_dir.err.find("Cannot create file \"" + (dir_ / "no/such/dir/x.jpg").string() +
                                 "\". "),
            std::string::npos)
      << missing_dir.err;
  EXPECT_EQ(missing_dir.err.substr(missing_dir.err.size() - 2), ".\n");

  const Outcome missing_input = RunCli({"nothing.txt"}, "", dir_);
  EXPECT_EQ(missing_input.exit_code, 1);
  EXPECT_NE(missing_input.err.find("nothing.txt"), std::string::npos);

  // 2000 hanzi of 40 pixels: wider than 65500, so the encoder refuses it and no file is left.
  std::string wide_line;
  for (int i = 0; i < 2000; ++i) wide_line += "字";
  const Outcome too_wide = RunCli({"-s", "30", "-o", "wide.jpg"}, wide_line, dir_);
  EXPECT_EQ(too_wide.exit_code, 1);
  EXPECT_NE(too_wide.err.find("JPEG error #41."), std::string::npos) << too_wide.err;
  EXPECT_FALSE(fs::exists(dir_ / "wide.jpg"));
}

// Display columns of UTF-8 text: two for the characters of the CJK blocks, one for the others.
size_t Columns(const std::string& line) {
  size_t columns = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if ((byte & 0xC0) == 0x80) continue;
    columns += byte >= 0xE2 ? 2 : 1;
  }
  return columns;
}

TEST_F(CliTest, SpeaksOneLanguagePerLocaleAndHelpFitsEightyColumns) {
  const struct {
    const char* locale;
    const char* usage;        // an unknown option
    const char* system_text;  // a missing directory, as the C library says it
    const char* help;
  } table[] = {
      {"C", "unknown option '--nope'", "No such file or directory.", "Usage:"},
      {"de_DE.UTF-8", "unknown option '--nope'", "No such file or directory.", "Usage:"},
      {"zh_CN.UTF-8", "未知的选项“--nope”", "没有那个文件或目录.", "用法："},
      {"zh_TW.UTF-8", "未知的选项“--nope”", "没有那个文件或目录.", "用法："},
  };
  const char* saved = std::getenv("LC_ALL");
  const std::string saved_value = saved != nullptr ? saved : "";
  for (const auto& row : table) {
    setenv("LC_ALL", row.locale, 1);
    const Outcome usage = RunCli({"--nope"}, "", dir_);
    const Outcome missing_dir = RunCli({"-o", "no/such/dir/x.jpg"}, "abc", dir_);
    const Outcome help = RunCli({"--help"}, "", dir_);
    EXPECT_NE(usage.err.find(row.usage), std::string::npos) << row.locale << usage.err;
    // The window's text, in the locale's language only where it is the system's.
    EXPECT_NE(missing_dir.err.find("\". " + std::string(row.system_text)), std::string::npos)
        << row.locale << missing_dir.err;
    EXPECT_EQ(help.out.rfind(row.help, 0), 0u) << row.locale;
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_LE(Columns(line), 80u) << row.locale << ": " << line;
    }
  }
  if (saved != nullptr) {
    setenv("LC_ALL", saved_value.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
}

TEST_F(CliTest, AFullStandardOutputIsAFailureForEveryAction) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"--version"}, {"--list-fonts"}, {"--list-colors"}, {"-o", "-"}}) {
    const Outcome outcome = RunCli(args, "abc", dir_, "/dev/full");
    EXPECT_EQ(outcome.exit_code, 1) << args[0];
    EXPECT_NE(outcome.err.find("standard output: "), std::string::npos) << outcome.err;
  }
}

TEST_F(CliTest, UsageErrorsExitTwoAndNameTheOption) {
  const struct {
    std::vector<std::string> args;
    std::string named;
  } table[] = {
      {{"-s", "abc"}, "'-s'"},
      {{"--size=12 "}, "'--size'"},
      {{"-m", "2147483648"}, "'-m'"},
      {{"-l"}, "'-l'"},
      {{"--bogus"}, "'--bogus'"},
      {{"-c", "#12345"}, "'-c'"},
      {{"--encoding", "latin1"}, "'--encoding'"},
      {{"--dpi", "0"}, "'--dpi'"},
      {{"-o", "x.jpg", "a.txt", "b.txt"}, "-o"},
      {{"-O", "d", "-o", "x.jpg", "a.txt"}, "-O"},
      {{"a.txt", "-"}, "'-'"},
      {{"sub/a.txt", "a.md"}, "'sub/a.txt' and 'a.md' would both become 'a.jpg'"},
      {{"dir/"}, "'dir/'"},
      {{"--max-height", "65501"}, "'--max-height'"},
      {{"--max-height=9", "-o", "-"}, "--max-height"},
      {{"-j0"}, "'-j'"},
      {{"-o", "."}, "'.' is a directory"},
      {{"-o", "od/"}, "'od/' is a directory"},
      {{"--quality", "101"}, "'--quality'"},
      {{"--format", "gif"}, "'--format'"},
      {{"--align", "middle"}, "'--align'"},
      {{"--background", "#12"}, "'--background'"},
  };
  for (const auto& row : table) {
    const Outcome outcome = RunCli(row.args, "", dir_);
    EXPECT_EQ(outcome.exit_code, 2) << row.named;
    EXPECT_NE(outcome.err.find(row.named), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(dir_ / "Picture.jpg"));
  }
  const Outcome colours = RunCli({"--list-colors"}, "", dir_);
  EXPECT_EQ(colours.exit_code, 0);
  EXPECT_EQ(colours.out.rfind("clBlack ", 0), 0u) << colours.out;
  EXPECT_NE(colours.out.find("clWindowText               0xFF000008\n"), std::string::npos);
  // The window's 52 names, then the 148 of CSS.
  EXPECT_EQ(std::count(colours.out.begin(), colours.out.end(), '\n'), 52 + 148);
  EXPECT_NE(colours.out.find("\nrebeccapurple              0x00993366\n"), std::string::npos);

  const Outcome help = RunCli({"--help"}, "", dir_);
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("Usage: text2jpg-cli"), std::string::npos);
}

TEST_F(CliTest, PictureOptionsReachTheFile) {
  const std::string text = "Hello\n";
  ASSERT_EQ(RunCli({"-o", "plain.jpg"}, text, dir_).exit_code, 0);
  const auto plain = testing::DecodeJpeg(ReadFile(dir_ / "plain.jpg"));
  ASSERT_TRUE(plain);

  // PNG from -o's extension, or from --format with a picture named after the file.
  ASSERT_EQ(RunCli({"-o", "out.PNG"}, text, dir_).exit_code, 0);
  testing::WriteFileBytes(dir_ / "in.txt", text);
  const Outcome named = RunCli({"--format", "png", "in.txt"}, "", dir_);
  ASSERT_EQ(named.exit_code, 0) << named.err;
  EXPECT_EQ(named.err, "");
  for (const char* name : {"out.PNG", "in.png"}) {
    const std::string png = ReadFile(dir_ / name);
    ASSERT_GE(png.size(), 24u) << name;
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n") << name;
    const auto be32 = [&](size_t at) {
      return (static_cast<unsigned char>(png[at]) << 24) |
             (static_cast<unsigned char>(png[at + 1]) << 16) |
             (static_cast<unsigned char>(png[at + 2]) << 8) |
             static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(be32(16), static_cast<unsigned>(plain->width)) << name;
    EXPECT_EQ(be32(20), static_cast<unsigned>(plain->height)) << name;
  }
  EXPECT_FALSE(fs::exists(dir_ / "in.jpg"));

  const Outcome unknown_face = RunCli({"-f", "No Such Face 7", "-o", "face.jpg"}, text, dir_);
  EXPECT_EQ(unknown_face.exit_code, 0);
  EXPECT_NE(unknown_face.err.find("warning: no installed font is named “No Such Face 7”; “"),
            std::string::npos)
      << unknown_face.err;

  // Background in the margin, right-aligned text and a finer quality change the picture.
  const Outcome styled =
      RunCli({"--background", "clNavy", "--align=right", "--quality", "100", "-o", "styled.jpg"},
             "Hello\nx\n", dir_);
  ASSERT_EQ(styled.exit_code, 0) << styled.err;
  const auto decoded = testing::DecodeJpeg(ReadFile(dir_ / "styled.jpg"));
  ASSERT_TRUE(decoded);
  const Rgb corner = decoded->Pixel(1, 1);
  EXPECT_LE(corner.r, 8);
  EXPECT_LE(corner.g, 8);
  EXPECT_GE(corner.b, 120);
  EXPECT_LE(corner.b, 136);
  EXPECT_LE(decoded->quant_tables[0][0], 2);
}

TEST_F(CliTest, FontFileDrawsAsItsFamilyDoes) {
  if (!IsInstalledFamily("DejaVu Sans")) GTEST_SKIP() << "fonts-dejavu-core missing";
  FaceRequest request;
  request.face_name = "DejaVu Sans Bold";
  const std::string bold_file = ResolveFace(request).path;
  // Chinese comes from the fallback fonts, as it does for the family by name.
  const std::string text = "Hello 你好\n";
  ASSERT_EQ(RunCli({"-f", "DejaVu Sans Bold", "-o", "by_name.jpg"}, text, dir_).exit_code, 0);
  const Outcome by_file = RunCli({"--font=" + bold_file, "-o", "by_file.jpg"}, text, dir_);
  ASSERT_EQ(by_file.exit_code, 0) << by_file.err;
  EXPECT_EQ(by_file.err, "");
  EXPECT_EQ(ReadFile(dir_ / "by_file.jpg"), ReadFile(dir_ / "by_name.jpg"));

  testing::WriteFileBytes(dir_ / "notes.ttf", "no font\n");
  for (const std::string& bad :
       {std::string("missing/face.ttf"), std::string("notes.ttf"), bold_file + ":1"}) {
    const Outcome refused = RunCli({"-f", bad, "-o", "bad.jpg"}, text, dir_);
    EXPECT_EQ(refused.exit_code, 2) << bad;
    EXPECT_NE(refused.err.find("option '-f': "), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir_ / "bad.jpg")) << bad;
  }

  const Outcome no_style = RunCli({"-f", "DejaVu Sans Foo", "-o", "foo.jpg"}, text, dir_);
  EXPECT_EQ(no_style.exit_code, 0);
  EXPECT_NE(no_style.err.find("warning: “DejaVu Sans” has no style “Foo”; “DejaVu Sans "),
            std::string::npos)
      << no_style.err;
}

TEST_F(CliTest, ManyFilesGiveTheBytesOfSingleRuns) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"notes.txt", "说明：\n转换的文本宽度是根据本输入框输入的文字来决定的。\n"},
      {"README", "Hello world, 你好世界！\n"},
      {"list.md", "一\n二\n三\n\n四 five six seven\n"},
      {"blank.txt", "\n"},
      {"long.txt", "“长图”把一段文字排成一张很长的图片，方便在手机上阅读。Words wrap at spaces.\n"},
  };
  std::vector<std::string> args = {"-c", "teal", "--width", "160", "-O", "out", "-j", "3"};
  for (const auto& [name, text] : files) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    args.push_back(name);
  }
  args.push_back("missing.txt");
  const Outcome batch = RunCli(args, "", dir_);
  EXPECT_EQ(batch.exit_code, 1);
  EXPECT_NE(batch.err.find("text2jpg-cli: missing.txt: cannot open"), std::string::npos)
      << batch.err;
  EXPECT_NE(batch.err.find("1 of 6 files failed"), std::string::npos) << batch.err;

  for (const auto& [name, text] : files) {
    const std::string picture = fs::path(name).stem().string() + ".jpg";
    const Outcome single =
        RunCli({"-c", "teal", "--width", "160", name, "-o", "single.jpg"}, "", dir_);
    ASSERT_EQ(single.exit_code, 0) << single.err;
    ASSERT_TRUE(fs::exists(dir_ / "out" / picture)) << picture;
    EXPECT_EQ(ReadFile(dir_ / "out" / picture), ReadFile(dir_ / "single.jpg")) << picture;
  }
  const auto wrapped = testing::DecodeJpeg(ReadFile(dir_ / "out/long.jpg"));
  ASSERT_TRUE(wrapped.has_value());
  EXPECT_LE(wrapped->width, 160);
  EXPECT_GT(wrapped->height, 4 * 20);
}

TEST_F(CliTest, PagesSplitBetweenLinesAndNeverReplaceAnInput) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += "第" + std::to_string(i) + "行\n";
  std::ofstream(dir_ / "in.txt", std::ios::binary) << text;
  // Lines of 16 + 4 pixels and margins of 10: four lines make a page of 96 rows.
  const Outcome paged = RunCli({"--max-height", "99", "in.txt"}, "", dir_);
  ASSERT_EQ(paged.exit_code, 0) << paged.err;
  const int heights[] = {96, 96, 56};
  for (int page = 1; page <= 3; ++page) {
    const auto picture =
        testing::DecodeJpeg(ReadFile(dir_ / ("in-" + std::to_string(page) + ".jpg")));
    ASSERT_TRUE(picture.has_value()) << page;
    EXPECT_EQ(picture->height, heights[page - 1]) << page;
  }
  EXPECT_FALSE(fs::exists(dir_ / "in-4.jpg"));
  EXPECT_FALSE(fs::exists(dir_ / "in.jpg"));

  const Outcome too_low = RunCli({"--max-height", "35", "in.txt", "-o", "low.jpg"}, "", dir_);
  EXPECT_EQ(too_low.exit_code, 1);
  EXPECT_NE(too_low.err.find("36 pixels tall"), std::string::npos) << too_low.err;
  EXPECT_FALSE(fs::exists(dir_ / "low-1.jpg"));

  // A text file named like a picture keeps its text.
  std::ofstream(dir_ / "text.jpg", std::ios::binary) << "keep me\n";
  const Outcome onto_input = RunCli({"text.jpg"}, "", dir_);
  EXPECT_EQ(onto_input.exit_code, 1);
  EXPECT_EQ(ReadFile(dir_ / "text.jpg"), "keep me\n");

  // A shorter text leaves the later pages of the longer one, and says so.
  std::ofstream(dir_ / "in.txt", std::ios::binary) << "一\n";
  const Outcome shorter = RunCli({"--max-height", "99", "in.txt"}, "", dir_);
  ASSERT_EQ(shorter.exit_code, 0) << shorter.err;
  EXPECT_NE(shorter.err.find("\"in-2.jpg\" to \"in-3.jpg\" from an earlier run"), std::string::npos)
      << shorter.err;
  EXPECT_EQ(testing::DecodeJpeg(ReadFile(dir_ / "in-1.jpg"))->height, 36);

  // A link to nothing is not written through.
  fs::create_symlink(dir_ / "nowhere" / "x.jpg", dir_ / "dangling.jpg");
  const Outcome dangling = RunCli({"-o", "dangling.jpg"}, "abc", dir_);
  EXPECT_EQ(dangling.exit_code, 1);
  EXPECT_NE(dangling.err.find("does not exist"), std::string::npos) << dangling.err;
  EXPECT_FALSE(fs::exists(dir_ / "nowhere"));
}

TEST(ParseCommandLineTest, ReadsNumbersByTheWindowsRules) {
  const ParsedCommandLine parsed =
      ParseCommandLine({"-s", "$C", "--margin=+3", "-l", "x0C", "-c", "0xFF000005", "-f", "黑体"});
  ASSERT_TRUE(parsed.options.has_value());
  EXPECT_EQ(parsed.options->settings.FontSize, 12);
  EXPECT_EQ(parsed.options->settings.Margin, 3);
  EXPECT_EQ(parsed.options->settings.LineSpacing, 12);
  EXPECT_EQ(parsed.options->settings.TextColor, 0xFF000005u);
  EXPECT_EQ(parsed.options->settings.FontName, "黑体");
  EXPECT_FALSE(parsed.options->output_path.has_value());
  EXPECT_TRUE(parsed.options->input_paths.empty());

  const ParsedCommandLine defaults = ParseCommandLine({});
  ASSERT_TRUE(defaults.options.has_value());
  EXPECT_EQ(defaults.options->settings.FontName, "宋体");
  EXPECT_EQ(defaults.options->settings.FontSize, 12);
  EXPECT_EQ(defaults.options->settings.TextColor, 0x8000u);
  EXPECT_EQ(defaults.options->settings.LineSpacing, 4);
  EXPECT_EQ(defaults.options->settings.Margin, 10);
  EXPECT_EQ(ParseColorArgument("#FF8000"), 0x000080FFu);
  EXPECT_EQ(ParseColorArgument("clRed"), 0x000000FFu);
  EXPECT_EQ(ParseColorArgument("CLBTNFACE"), 0xFF00000Fu);
  EXPECT_EQ(ParseColorArgument("clNone"), 0x1FFFFFFFu);
  EXPECT_EQ(ParseColorArgument("red"), 0x000000FFu);
  EXPECT_EQ(ParseColorArgument("#f00"), 0x000000FFu);
  EXPECT_EQ(ParseColorArgument("RebeccaPurple"), 0x00993366u);
  EXPECT_EQ(ParseColorArgument("lightGREY"), 0x00D3D3D3u);
  EXPECT_FALSE(ParseColorArgument("#f0").has_value());
  EXPECT_FALSE(ParseColorArgument("greyish").has_value());

  const ParsedCommandLine getopt = ParseCommandLine({"-s14", "--margin=-2", "-Oout", "--", "-x"});
  ASSERT_TRUE(getopt.options.has_value());
  EXPECT_EQ(getopt.options->settings.FontSize, 14);
  EXPECT_EQ(getopt.options->settings.Margin, -2);
  EXPECT_EQ(getopt.options->output_dir, "out");
  EXPECT_EQ(getopt.options->input_paths, std::vector<std::string>{"-x"});
}

}  // namespace
}  // namespace t2j
