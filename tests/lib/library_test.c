/* libtext2jpg from C: the same bytes and messages as text2jpg-cli, failures that leave files as
 * they were, and threads drawing at once. Run with the tool's path and a scratch directory. */
#define _POSIX_C_SOURCE 200809L

#include <dirent.h>
#include <errno.h>
#include <locale.h>
#include <signal.h>
#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <text2jpg/text2jpg.h>
#include <unistd.h>

extern char** environ;

static const char* cli;
static const char* scratch;
static int failures;

#define CHECK(condition)                                                        \
  do {                                                                          \
    if (!(condition)) {                                                         \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition);   \
      ++failures;                                                               \
    }                                                                           \
  } while (0)

/* The whole of a file, or NULL (then *size is 0) when it cannot be read. */
static unsigned char* ReadFile(const char* path, size_t* size) {
  FILE* file = fopen(path, "rb");
  unsigned char* data = NULL;
  size_t used = 0, capacity = 0;
  *size = 0;
  if (file == NULL) return NULL;
  for (;;) {
    if (used == capacity) {
      capacity = capacity == 0 ? 65536 : capacity * 2;
      unsigned char* grown = realloc(data, capacity);
      if (grown == NULL) break;
      data = grown;
    }
    const size_t n = fread(data + used, 1, capacity - used, file);
    used += n;
    if (n == 0) break;
  }
  fclose(file);
  *size = used;
  return data;
}

static void WriteFile(const char* path, const char* text) {
  FILE* file = fopen(path, "wb");
  if (file == NULL) {
    perror(path);
    exit(2);
  }
  fputs(text, file);
  fclose(file);
}

/* Runs text2jpg-cli with `args` (NULL-terminated, the program name first left out); its standard
 * error goes to `err_path`. Returns its exit code. */
static int RunCli(const char* const* args, const char* err_path) {
  const char* argv[32];
  size_t n = 0;
  argv[n++] = cli;
  for (; *args != NULL && n < 31; ++args) argv[n++] = *args;
  argv[n] = NULL;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, err_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid;
  int status = -1;
  if (posix_spawn(&pid, cli, &actions, NULL, (char* const*)argv, environ) == 0) {
    waitpid(pid, &status, 0);
  }
  posix_spawn_file_actions_destroy(&actions);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/* The first line the tool printed on standard error, after "text2jpg-cli: ". */
static char* CliMessage(const char* err_path) {
  size_t size;
  char* text = (char*)ReadFile(err_path, &size);
  if (text == NULL) return strdup("");
  text = realloc(text, size + 1);
  text[size] = '\0';
  char* end = strchr(text, '\n');
  if (end != NULL) *end = '\0';
  const char* prefix = "text2jpg-cli: ";
  const char* message = strncmp(text, prefix, strlen(prefix)) == 0 ? text + strlen(prefix) : text;
  char* copy = strdup(message);
  free(text);
  return copy;
}

static char* Path(const char* name) {
  char* path = malloc(strlen(scratch) + strlen(name) + 2);
  sprintf(path, "%s/%s", scratch, name);
  return path;
}

static const char kText[] =
    "你好，世界\n"
    "Hello, world: a line long enough to be broken at the width\n"
    "\n"
    "第三行，标点。";

/* The library's bytes against the tool's for the same text and settings. */
static void SameBytesAsTheTool(void) {
  struct Case {
    const char* name;
    const char* args[12];
    const char* font;
    int32_t size;
    const char* format;
    int32_t width;
    const char* background;
    const char* align;
    const char* color;
  } cases[] = {
      {"default", {NULL}, NULL, 0, NULL, 0, NULL, NULL, NULL},
      {"png", {"--format", "png", "-s", "20", NULL}, NULL, 20, "png", 0, NULL, NULL, NULL},
      {"width", {"--width", "200", "-f", "黑体", NULL}, "黑体", 0, NULL, 200, NULL, NULL, NULL},
      {"background and align",
       {"--background", "#102030", "--align", "center", "-c", "clYellow", NULL},
       NULL, 0, NULL, 0, "#102030", "center", "clYellow"},
  };
  char* input = Path("input.txt");
  char* picture = Path("tool-picture");
  char* err = Path("tool-stderr");
  WriteFile(input, kText);
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const struct Case* c = &cases[i];
    const char* args[20];
    size_t n = 0;
    for (const char* const* a = c->args; *a != NULL; ++a) args[n++] = *a;
    args[n++] = "-o";
    args[n++] = picture;
    args[n++] = input;
    args[n] = NULL;
    CHECK(RunCli(args, err) == 0);
    size_t tool_size;
    unsigned char* tool = ReadFile(picture, &tool_size);

    text2jpg_settings* settings = text2jpg_settings_new();
    if (c->font) CHECK(text2jpg_settings_set_font(settings, c->font) == TEXT2JPG_OK);
    if (c->size) CHECK(text2jpg_settings_set_size(settings, c->size) == TEXT2JPG_OK);
    if (c->format) CHECK(text2jpg_settings_set_format(settings, c->format) == TEXT2JPG_OK);
    if (c->width) CHECK(text2jpg_settings_set_width(settings, c->width) == TEXT2JPG_OK);
    if (c->background) CHECK(text2jpg_settings_set_background(settings, c->background) == TEXT2JPG_OK);
    if (c->align) CHECK(text2jpg_settings_set_align(settings, c->align) == TEXT2JPG_OK);
    if (c->color) CHECK(text2jpg_settings_set_color(settings, c->color) == TEXT2JPG_OK);
    unsigned char* data = NULL;
    size_t size = 0;
    CHECK(text2jpg_render(settings, kText, strlen(kText), &data, &size) == TEXT2JPG_OK);
    if (tool == NULL || size != tool_size || memcmp(data, tool, size) != 0) {
      fprintf(stderr, "case \"%s\": %zu bytes from the library, %zu from the tool\n", c->name,
              size, tool_size);
      ++failures;
    }
    int32_t width = 0, height = 0;
    CHECK(text2jpg_measure(settings, kText, strlen(kText), &width, &height) == TEXT2JPG_OK);
    CHECK(width > 0 && height > 0 && (c->width == 0 || width <= c->width));
    text2jpg_free(data);
    free(tool);
    text2jpg_settings_free(settings);
  }
  free(input);
  free(picture);
  free(err);
}

/* A refused setting leaves the settings as they were and says what the tool says. */
static void RefusalsSpeakAsTheTool(void) {
  char* err = Path("tool-stderr");
  char* input = Path("input.txt");
  char* picture = Path("never.jpg");
  WriteFile(input, kText);
  text2jpg_settings* settings = text2jpg_settings_new();

  const char* color_args[] = {"--color", "nocolour", input, NULL};
  CHECK(RunCli(color_args, err) == 2);
  char* expected = CliMessage(err);
  CHECK(text2jpg_settings_set_color(settings, "nocolour") == TEXT2JPG_INVALID_ARGUMENT);
  CHECK(strcmp(text2jpg_last_error(), expected) == 0);
  free(expected);

  const char* quality_args[] = {"--quality", "0", input, NULL};
  CHECK(RunCli(quality_args, err) == 2);
  expected = CliMessage(err);
  CHECK(text2jpg_settings_set_quality(settings, 0) == TEXT2JPG_INVALID_ARGUMENT);
  CHECK(strcmp(text2jpg_last_error(), expected) == 0);
  free(expected);

  const char* font_args[] = {"--font", "/no/such/font.ttf", input, NULL};
  CHECK(RunCli(font_args, err) == 2);
  expected = CliMessage(err);
  CHECK(text2jpg_settings_set_font(settings, "/no/such/font.ttf") == TEXT2JPG_INVALID_ARGUMENT);
  /* Up to the system's error text, whose language follows the locales installed. */
  const char* path_end = strstr(expected, "font.ttf");
  CHECK(path_end != NULL &&
        strncmp(text2jpg_last_error(), expected, (size_t)(path_end - expected) + 8) == 0);
  free(expected);

  CHECK(text2jpg_settings_set_align(settings, "middle") == TEXT2JPG_INVALID_ARGUMENT);
  CHECK(text2jpg_settings_set_format(settings, "gif") == TEXT2JPG_INVALID_ARGUMENT);
  CHECK(text2jpg_settings_set_width(settings, -1) == TEXT2JPG_INVALID_ARGUMENT);
  CHECK(text2jpg_settings_set_font(settings, NULL) == TEXT2JPG_INVALID_ARGUMENT);
  CHECK(text2jpg_last_error()[0] != '\0');
  CHECK(text2jpg_settings_set_margin(settings, 30) == TEXT2JPG_OK);
  CHECK(text2jpg_last_error()[0] == '\0');

  /* A width with no room between the margins: a conversion failure worded as the tool's. */
  const char* narrow_args[] = {"--width", "50", "-m", "30", "-o", picture, input, NULL};
  CHECK(RunCli(narrow_args, err) == 1);
  expected = CliMessage(err);
  CHECK(text2jpg_settings_set_width(settings, 50) == TEXT2JPG_OK);
  unsigned char* data = (unsigned char*)"untouched";
  size_t size = 7;
  CHECK(text2jpg_render(settings, kText, strlen(kText), &data, &size) ==
        TEXT2JPG_CONVERSION_ERROR);
  CHECK(strcmp(text2jpg_last_error(), expected) == 0);
  CHECK(size == 7);
  free(expected);

  /* Empty text, and text that is not UTF-8. */
  CHECK(text2jpg_settings_set_width(settings, 0) == TEXT2JPG_OK);
  WriteFile(input, "");
  const char* empty_args[] = {"-o", picture, input, NULL};
  CHECK(RunCli(empty_args, err) == 1);
  expected = CliMessage(err);
  CHECK(text2jpg_render(settings, "", 0, &data, &size) == TEXT2JPG_INPUT_ERROR);
  CHECK(strcmp(text2jpg_last_error(), expected) == 0);
  free(expected);
  CHECK(text2jpg_render(settings, NULL, 0, &data, &size) == TEXT2JPG_INPUT_ERROR);
  CHECK(text2jpg_render(settings, "ab\xff\xfe", 4, &data, &size) == TEXT2JPG_INPUT_ERROR);
  CHECK(text2jpg_render(settings, NULL, 3, &data, &size) == TEXT2JPG_INVALID_ARGUMENT);
  CHECK(text2jpg_render(NULL, "a", 1, &data, &size) == TEXT2JPG_INVALID_ARGUMENT);

  text2jpg_settings_free(settings);
  free(err);
  free(input);
  free(picture);
}

static size_t EntriesIn(const char* directory) {
  DIR* dir = opendir(directory);
  size_t count = 0;
  if (dir == NULL) return 0;
  while (readdir(dir) != NULL) ++count;
  closedir(dir);
  return count;
}

/* A failing save leaves the name with its old file and no temporary file beside it. */
static void SaveIsWholeOrNothing(void) {
  char* directory = Path("save");
  mkdir(directory, 0755);
  char* path = malloc(strlen(directory) + 16);
  sprintf(path, "%s/old.jpg", directory);
  WriteFile(path, "old picture");
  text2jpg_settings* settings = text2jpg_settings_new();
  const size_t entries = EntriesIn(directory);

  CHECK(text2jpg_save(settings, "", 0, path) == TEXT2JPG_INPUT_ERROR);
  /* Too tall for JPEG: refused while the lines are read. */
  CHECK(text2jpg_settings_set_line_spacing(settings, 70000) == TEXT2JPG_OK);
  CHECK(text2jpg_save(settings, "a\nb", 3, path) == TEXT2JPG_CONVERSION_ERROR);
  size_t size;
  unsigned char* kept = ReadFile(path, &size);
  CHECK(kept != NULL && size == 11 && memcmp(kept, "old picture", 11) == 0);
  free(kept);
  CHECK(EntriesIn(directory) == entries);

  /* Past the file size limit: the save fails and the program lives on. */
  struct rlimit limit;
  getrlimit(RLIMIT_FSIZE, &limit);
  const struct rlimit small = {1000, limit.rlim_max};
  CHECK(setrlimit(RLIMIT_FSIZE, &small) == 0);
  CHECK(text2jpg_settings_set_line_spacing(settings, 4) == TEXT2JPG_OK);
  CHECK(text2jpg_save(settings, kText, strlen(kText), path) == TEXT2JPG_FILE_ERROR);
  CHECK(setrlimit(RLIMIT_FSIZE, &limit) == 0);
  kept = ReadFile(path, &size);
  CHECK(kept != NULL && size == 11 && memcmp(kept, "old picture", 11) == 0);
  free(kept);
  CHECK(EntriesIn(directory) == entries);

  char* missing = Path("no/such/dir.jpg");
  CHECK(text2jpg_save(settings, "a", 1, missing) == TEXT2JPG_FILE_ERROR);
  CHECK(strstr(text2jpg_last_error(), "no/such/dir.jpg") != NULL);

  CHECK(text2jpg_settings_set_line_spacing(settings, 4) == TEXT2JPG_OK);
  CHECK(text2jpg_save(settings, kText, strlen(kText), path) == TEXT2JPG_OK);
  unsigned char* data;
  CHECK(text2jpg_render(settings, kText, strlen(kText), &data, &size) == TEXT2JPG_OK);
  size_t saved_size;
  unsigned char* saved = ReadFile(path, &saved_size);
  CHECK(saved != NULL && saved_size == size && memcmp(saved, data, size) == 0);
  free(saved);
  text2jpg_free(data);

  text2jpg_settings_free(settings);
  free(missing);
  free(path);
  free(directory);
}

/* Threads drawing at once with one settings handle. */
enum { kThreads = 4, kRounds = 3 };

struct Work {
  const text2jpg_settings* settings;
  const char* text;
  const unsigned char* expected;
  size_t expected_size;
  int same;
};

static void* Draw(void* argument) {
  struct Work* work = argument;
  work->same = 1;
  for (int round = 0; round < kRounds; ++round) {
    unsigned char* data = NULL;
    size_t size = 0;
    if (text2jpg_render(work->settings, work->text, strlen(work->text), &data, &size) !=
            TEXT2JPG_OK ||
        size != work->expected_size || memcmp(data, work->expected, size) != 0) {
      work->same = 0;
    }
    text2jpg_free(data);
  }
  return NULL;
}

static void ThreadsDrawTheSameBytes(void) {
  /* Long enough that the threads overlap; several faces through fallback. */
  size_t length = 0;
  char* text = malloc(64 * 1024);
  text[0] = '\0';
  for (int i = 0; i < 60; ++i) {
    length += (size_t)sprintf(text + length, "第%d行：文本转图片，Text to picture ☺ Ωμέγα %d\n", i, i * 7);
  }
  text2jpg_settings* settings = text2jpg_settings_new();
  CHECK(text2jpg_settings_set_width(settings, 300) == TEXT2JPG_OK);
  unsigned char* expected = NULL;
  size_t expected_size = 0;
  CHECK(text2jpg_render(settings, text, length, &expected, &expected_size) == TEXT2JPG_OK);

  pthread_t threads[kThreads];
  struct Work work[kThreads];
  for (int i = 0; i < kThreads; ++i) {
    work[i] = (struct Work){settings, text, expected, expected_size, 0};
    CHECK(pthread_create(&threads[i], NULL, Draw, &work[i]) == 0);
  }
  for (int i = 0; i < kThreads; ++i) {
    pthread_join(threads[i], NULL);
    CHECK(work[i].same);
  }
  text2jpg_free(expected);
  text2jpg_settings_free(settings);
  free(text);
}

static void FontsAndWarnings(void) {
  char** names = NULL;
  size_t count = 0;
  CHECK(text2jpg_fonts(&names, &count) == TEXT2JPG_OK);
  CHECK(count > 1 && names[count] == NULL && strcmp(names[0], "") != 0);
  text2jpg_free_fonts(names);

  text2jpg_settings* settings = text2jpg_settings_new();
  unsigned char* data;
  size_t size;
  /* U+10FFFD: a private-use character no font has. */
  CHECK(text2jpg_render(settings, "a\xf4\x8f\xbf\xbd", 5, &data, &size) == TEXT2JPG_OK);
  CHECK(strstr(text2jpg_last_warnings(), "U+10FFFD") != NULL);
  text2jpg_free(data);
  CHECK(text2jpg_render(settings, "a", 1, &data, &size) == TEXT2JPG_OK);
  CHECK(text2jpg_last_warnings()[0] == '\0');
  text2jpg_free(data);
  text2jpg_settings_free(settings);
  CHECK(strcmp(text2jpg_version(), TEXT2JPG_EXPECTED_VERSION) == 0);
}

static size_t ThreadsOfProcess(void) { return EntriesIn("/proc/self/task") - 2; }

static int Untouched(int signal_number) {
  struct sigaction action;
  return sigaction(signal_number, NULL, &action) == 0 && action.sa_handler == SIG_DFL;
}

/* A library leaves its host's signals, threads and locale alone. */
static void LeavesTheProcessAlone(size_t threads_before, const char* language_before) {
  CHECK(Untouched(SIGINT) && Untouched(SIGTERM) && Untouched(SIGHUP) && Untouched(SIGXFSZ));
  sigset_t blocked;
  CHECK(pthread_sigmask(SIG_BLOCK, NULL, &blocked) == 0 && !sigismember(&blocked, SIGINT));
  CHECK(ThreadsOfProcess() == threads_before);
  CHECK(strcmp(setlocale(LC_MESSAGES, NULL), "C") == 0);
  const char* language = getenv("LANGUAGE");
  CHECK(language == NULL ? language_before == NULL
                         : language_before != NULL && strcmp(language, language_before) == 0);
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s TEXT2JPG_CLI SCRATCH_DIR\n", argv[0]);
    return 2;
  }
  cli = argv[1];
  scratch = argv[2];
  mkdir(scratch, 0755);
  const size_t threads = ThreadsOfProcess();
  char* language = getenv("LANGUAGE") == NULL ? NULL : strdup(getenv("LANGUAGE"));
  SameBytesAsTheTool();
  RefusalsSpeakAsTheTool();
  SaveIsWholeOrNothing();
  ThreadsDrawTheSameBytes();
  FontsAndWarnings();
  LeavesTheProcessAlone(threads, language);
  free(language);
  if (failures != 0) fprintf(stderr, "%d checks failed\n", failures);
  return failures == 0 ? 0 : 1;
}
