/* Draws two lines into hello.jpg and a PNG in memory.
 *
 *   cc hello.c $(pkg-config --cflags --libs text2jpg) -o hello && ./hello */
#include <stdio.h>
#include <string.h>
#include <text2jpg/text2jpg.h>

int main(void) {
  const char* text = "你好，世界\nHello, world";
  text2jpg_settings* settings = text2jpg_settings_new();
  if (settings == NULL) return 1;

  if (text2jpg_settings_set_font(settings, "黑体") != TEXT2JPG_OK ||
      text2jpg_settings_set_size(settings, 24) != TEXT2JPG_OK ||
      text2jpg_settings_set_color(settings, "#1E90FF") != TEXT2JPG_OK ||
      text2jpg_save(settings, text, strlen(text), "hello.jpg") != TEXT2JPG_OK) {
    fprintf(stderr, "hello: %s\n", text2jpg_last_error());
    text2jpg_settings_free(settings);
    return 1;
  }

  unsigned char* png = NULL;
  size_t size = 0;
  text2jpg_settings_set_format(settings, "png");
  if (text2jpg_render(settings, text, strlen(text), &png, &size) != TEXT2JPG_OK) {
    fprintf(stderr, "hello: %s\n", text2jpg_last_error());
    text2jpg_settings_free(settings);
    return 1;
  }
  printf("hello.jpg written; the PNG has %zu bytes (libtext2jpg %s)\n", size, text2jpg_version());
  text2jpg_free(png);
  text2jpg_settings_free(settings);
  return 0;
}
