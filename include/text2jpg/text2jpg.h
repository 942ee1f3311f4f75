/* libtext2jpg: text drawn into a JPEG or PNG picture that fits it exactly.
 *
 * The same drawing as the text2jpg window and text2jpg-cli: the same text and settings give the
 * same bytes. Text is UTF-8. Nothing here prints or exits; a failing call returns a status and
 * leaves the message that text2jpg-cli would print in text2jpg_last_error().
 *
 * Threads: every function may be called from any thread, and calls on different threads run in
 * parallel. A settings handle may be read by several calls at once, but must not be changed while
 * another thread uses it.
 *
 * C99; link with `pkg-config --libs text2jpg`. */
#ifndef TEXT2JPG_TEXT2JPG_H
#define TEXT2JPG_TEXT2JPG_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__) && defined(TEXT2JPG_BUILDING_LIBRARY)
#define TEXT2JPG_API __attribute__((visibility("default")))
#else
#define TEXT2JPG_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The outcome of a call. */
typedef enum text2jpg_status {
  TEXT2JPG_OK = 0,
  TEXT2JPG_INVALID_ARGUMENT = 1, /* a setting or argument refused: out of range, unknown, NULL */
  TEXT2JPG_INPUT_ERROR = 2,      /* the text: empty, or not UTF-8 */
  TEXT2JPG_CONVERSION_ERROR = 3, /* no picture can be made: too large, no room for a character */
  TEXT2JPG_FILE_ERROR = 4,       /* the picture file cannot be written */
  TEXT2JPG_NO_MEMORY = 5
} text2jpg_status;

/* The library's version as "MAJOR.MINOR.PATCH". */
TEXT2JPG_API const char* text2jpg_version(void);

/* The message of the last call on this thread when it failed, or "" when it succeeded (UTF-8, in
 * the language of the environment's message locale, LC_ALL, LC_MESSAGES or LANG as the first one
 * set says: Chinese for zh_*, otherwise English; read at the first call, and the process's locale
 * is not changed). A refused setting is worded as text2jpg-cli words its usage error, a failed
 * drawing as it words its failure. Valid until the next call on this thread. */
TEXT2JPG_API const char* text2jpg_last_error(void);

/* The warnings of the last drawing call on this thread when it succeeded, one per line, as
 * text2jpg-cli prints them: a font name that no installed family has (with the family that draws
 * instead), and for render and save the characters that no installed font has; otherwise "".
 * Valid until the next call on this thread. */
TEXT2JPG_API const char* text2jpg_last_warnings(void);

/* ---- Settings ---------------------------------------------------------------------------- */

/* An opaque set of drawing settings. A new one holds the defaults: font 宋体, 12 points, text
 * colour clGreen, line spacing 4, margin 10, white background, lines to the left, no width
 * limit, JPEG at quality 90, 96 pixels per inch. */
typedef struct text2jpg_settings text2jpg_settings;

/* NULL when out of memory. */
TEXT2JPG_API text2jpg_settings* text2jpg_settings_new(void);
TEXT2JPG_API text2jpg_settings* text2jpg_settings_copy(const text2jpg_settings* settings);
TEXT2JPG_API void text2jpg_settings_free(text2jpg_settings* settings); /* NULL is ignored */

/* Each setter returns TEXT2JPG_OK or TEXT2JPG_INVALID_ARGUMENT, with the settings unchanged and
 * the message in text2jpg_last_error(). The values and their checks are text2jpg-cli's options
 * of the same names. */

/* A font family, a Windows face name (宋体, 黑体, Arial, …), "Family Style" or fontconfig's
 * "Family:weight=bold"; or a font file, as text2jpg-cli -f takes it (a name with a / or ending
 * in .ttf, .otf, .ttc, …; "FILE:N" for its face N), which must be readable and hold that face. */
TEXT2JPG_API text2jpg_status text2jpg_settings_set_font(text2jpg_settings* settings,
                                                        const char* font);
/* The font size in points. */
TEXT2JPG_API text2jpg_status text2jpg_settings_set_size(text2jpg_settings* settings,
                                                        int32_t points);
/* A colour in any form text2jpg-cli's --color takes: #RRGGBB, #RGB, a number, clXxx, CSS names. */
TEXT2JPG_API text2jpg_status text2jpg_settings_set_color(text2jpg_settings* settings,
                                                         const char* color);
TEXT2JPG_API text2jpg_status text2jpg_settings_set_background(text2jpg_settings* settings,
                                                              const char* color);
/* Pixels between lines; may be negative. */
TEXT2JPG_API text2jpg_status text2jpg_settings_set_line_spacing(text2jpg_settings* settings,
                                                                int32_t pixels);
/* Pixels around the text on every side. */
TEXT2JPG_API text2jpg_status text2jpg_settings_set_margin(text2jpg_settings* settings,
                                                          int32_t pixels);
/* The most pixels the picture may be wide, margins included; longer lines are broken as
 * text2jpg-cli --width breaks them. 0: no limit; below 0 is refused. */
TEXT2JPG_API text2jpg_status text2jpg_settings_set_width(text2jpg_settings* settings,
                                                         int32_t pixels);
/* "left", "center" (or "centre") or "right". */
TEXT2JPG_API text2jpg_status text2jpg_settings_set_align(text2jpg_settings* settings,
                                                         const char* align);
/* "jpeg" (or "jpg") or "png". */
TEXT2JPG_API text2jpg_status text2jpg_settings_set_format(text2jpg_settings* settings,
                                                          const char* format);
/* JPEG quality, 1 to 100. */
TEXT2JPG_API text2jpg_status text2jpg_settings_set_quality(text2jpg_settings* settings,
                                                           int32_t quality);
/* Pixels per inch, at least 1. */
TEXT2JPG_API text2jpg_status text2jpg_settings_set_dpi(text2jpg_settings* settings,
                                                       int32_t dpi);

/* ---- Drawing ----------------------------------------------------------------------------- */

/* The text's lines are taken as the window takes them: split at line breaks (\n, \r\n, \r),
 * a last empty line dropped, each line cut at 4096 bytes of its GB18030 form (without a
 * width). `text` holds `length` bytes of UTF-8; it need not end with a NUL, and may be NULL when
 * `length` is 0. It is read as text2jpg-cli reads a UTF-8 file: a byte-order mark is skipped;
 * empty text, bytes that are not UTF-8 and NUL bytes are refused (TEXT2JPG_INPUT_ERROR). */

/* The picture's encoded bytes in a new buffer, freed with text2jpg_free; the bytes text2jpg-cli
 * writes for the same text and settings. On failure `data` and `size` are left as they were. */
TEXT2JPG_API text2jpg_status text2jpg_render(const text2jpg_settings* settings, const char* text,
                                             size_t length, unsigned char** data, size_t* size);

/* The picture written to a file as text2jpg-cli writes it: the name holds its old file or the
 * whole new picture, never a part. The format is the settings' (the path's extension is not
 * read). */
TEXT2JPG_API text2jpg_status text2jpg_save(const text2jpg_settings* settings, const char* text,
                                           size_t length, const char* path);

/* The width and height the picture would have (text2jpg-cli --print-size); nothing is
 * encoded. */
TEXT2JPG_API text2jpg_status text2jpg_measure(const text2jpg_settings* settings, const char* text,
                                              size_t length, int32_t* width, int32_t* height);

/* The installed font families, as text2jpg-cli --list-fonts names them: a NULL-terminated array
 * of UTF-8 names, freed with text2jpg_free_fonts. `count` may be NULL. */
TEXT2JPG_API text2jpg_status text2jpg_fonts(char*** names, size_t* count);
TEXT2JPG_API void text2jpg_free_fonts(char** names);

/* Frees a buffer of text2jpg_render; NULL is ignored. */
TEXT2JPG_API void text2jpg_free(void* data);

#ifdef __cplusplus
}
#endif

#endif /* TEXT2JPG_TEXT2JPG_H */
