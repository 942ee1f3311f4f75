// The extension text2jpg._text2jpg: Python's keywords turned into a libtext2jpg settings handle,
// the drawing done by the library without the GIL, its status turned into Python exceptions and
// its warnings into the warnings module.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <text2jpg/text2jpg.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

PyObject* error_type = nullptr;         // text2jpg.Error
PyObject* font_warning_type = nullptr;  // text2jpg.FontWarning

// The settings of one call, as given; a value left empty keeps the library's default.
struct Options {
  std::optional<std::string> font, color, background, align, format;
  std::optional<int32_t> size, line_spacing, margin, width, quality, dpi;
};

// What a failed library call left behind, read on the calling thread before anything else runs.
struct Outcome {
  text2jpg_status status = TEXT2JPG_OK;
  std::string message;
};

Outcome Failed(text2jpg_status status) { return {status, text2jpg_last_error()}; }

// A new settings handle holding `options`; on failure empty, with the reason in `outcome`.
// Runs without the GIL.
text2jpg_settings* NewSettings(const Options& options, Outcome& outcome) {
  text2jpg_settings* settings = text2jpg_settings_new();
  if (settings == nullptr) {
    outcome = {TEXT2JPG_NO_MEMORY, ""};
    return nullptr;
  }
  text2jpg_status status = TEXT2JPG_OK;
  auto set_text = [&](const std::optional<std::string>& value, auto setter) {
    if (status == TEXT2JPG_OK && value) status = setter(settings, value->c_str());
  };
  auto set_number = [&](const std::optional<int32_t>& value, auto setter) {
    if (status == TEXT2JPG_OK && value) status = setter(settings, *value);
  };
  set_text(options.font, text2jpg_settings_set_font);
  set_number(options.size, text2jpg_settings_set_size);
  set_text(options.color, text2jpg_settings_set_color);
  set_text(options.background, text2jpg_settings_set_background);
  set_number(options.line_spacing, text2jpg_settings_set_line_spacing);
  set_number(options.margin, text2jpg_settings_set_margin);
  set_number(options.width, text2jpg_settings_set_width);
  set_text(options.align, text2jpg_settings_set_align);
  set_text(options.format, text2jpg_settings_set_format);
  set_number(options.quality, text2jpg_settings_set_quality);
  set_number(options.dpi, text2jpg_settings_set_dpi);
  if (status != TEXT2JPG_OK) {
    outcome = Failed(status);
    text2jpg_settings_free(settings);
    return nullptr;
  }
  return settings;
}

// Runs `draw(settings)` over a handle made from `options`; without the GIL.
template <typename Draw>
Outcome Drawn(const Options& options, Draw draw) {
  Outcome outcome;
  text2jpg_settings* settings = NewSettings(options, outcome);
  if (settings == nullptr) return outcome;
  const text2jpg_status status = draw(settings);
  if (status != TEXT2JPG_OK) outcome = Failed(status);
  text2jpg_settings_free(settings);
  return outcome;
}

// Sets the Python exception of a failed outcome; returns nullptr for the caller to return.
PyObject* Raise(const Outcome& outcome) {
  switch (outcome.status) {
    case TEXT2JPG_INVALID_ARGUMENT:
      PyErr_SetString(PyExc_ValueError, outcome.message.c_str());
      break;
    case TEXT2JPG_NO_MEMORY:
      if (outcome.message.empty()) {
        PyErr_NoMemory();
      } else {
        PyErr_SetString(PyExc_MemoryError, outcome.message.c_str());
      }
      break;
    default:
      PyErr_SetString(error_type, outcome.message.c_str());
      break;
  }
  return nullptr;
}

// Each line of the library's warnings as a text2jpg.FontWarning. `warnings` was copied before any
// Python code could run: a warning filter may call the library again. False when a filter turned
// a warning into an exception.
bool Warn(const std::string& warnings) {
  size_t start = 0;
  while (start < warnings.size()) {
    size_t end = warnings.find('\n', start);
    if (end == std::string::npos) end = warnings.size();
    if (end > start) {
      const std::string line = warnings.substr(start, end - start);
      if (PyErr_WarnEx(font_warning_type, line.c_str(), 1) != 0) return false;
    }
    start = end + 1;
  }
  return true;
}

// ---- Keyword values -------------------------------------------------------------------------

// The UTF-8 of a str that will go to the library as a C string.
bool TextValue(const char* name, PyObject* value, std::optional<std::string>& target) {
  if (!PyUnicode_Check(value)) {
    PyErr_Format(PyExc_TypeError, "%s must be str, not %.100s", name, Py_TYPE(value)->tp_name);
    return false;
  }
  Py_ssize_t length = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(value, &length);
  if (utf8 == nullptr) return false;
  if (std::strlen(utf8) != static_cast<size_t>(length)) {
    PyErr_Format(PyExc_ValueError, "%s must not contain a NUL character", name);
    return false;
  }
  target = std::string(utf8, static_cast<size_t>(length));
  return true;
}

// A colour: any text the tool's -c takes, or an (r, g, b) tuple of 0 to 255. A bare int is
// refused: the tool reads colour numbers as 0x00BBGGRR, Python code usually means 0xRRGGBB.
bool ColorValue(const char* name, PyObject* value, std::optional<std::string>& target) {
  if (PyTuple_Check(value)) {
    int rgb[3];
    bool valid = PyTuple_GET_SIZE(value) == 3;
    for (Py_ssize_t i = 0; valid && i < 3; ++i) {
      PyObject* item = PyTuple_GET_ITEM(value, i);
      if (!PyLong_Check(item) || PyBool_Check(item)) {
        valid = false;
        break;
      }
      int overflow = 0;
      const long channel = PyLong_AsLongAndOverflow(item, &overflow);
      if (overflow != 0 || channel < 0 || channel > 255) {
        PyErr_Format(PyExc_ValueError, "%s: %R is not an (r, g, b) of 0 to 255", name, value);
        return false;
      }
      rgb[i] = static_cast<int>(channel);
    }
    if (!valid) {
      PyErr_Format(PyExc_TypeError, "%s must be a tuple of three ints (r, g, b), not %R", name,
                   value);
      return false;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", rgb[0], rgb[1], rgb[2]);
    target = hex;
    return true;
  }
  if (PyLong_Check(value)) {
    PyErr_Format(PyExc_TypeError,
                 "%s must be str or (r, g, b), not int: write '#RRGGBB', or the tool's colour "
                 "number as text, '0x00BBGGRR'",
                 name);
    return false;
  }
  if (!PyUnicode_Check(value)) {
    PyErr_Format(PyExc_TypeError, "%s must be str or (r, g, b), not %.100s", name,
                 Py_TYPE(value)->tp_name);
    return false;
  }
  return TextValue(name, value, target);
}

bool NumberValue(const char* name, PyObject* value, std::optional<int32_t>& target) {
  if (PyBool_Check(value) || !PyIndex_Check(value)) {
    PyErr_Format(PyExc_TypeError, "%s must be int, not %.100s", name, Py_TYPE(value)->tp_name);
    return false;
  }
  PyObject* index = PyNumber_Index(value);
  if (index == nullptr) return false;
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(index, &overflow);
  Py_DECREF(index);
  if (number == -1 && PyErr_Occurred()) return false;
  if (overflow != 0 || number < INT32_MIN || number > INT32_MAX) {
    PyErr_Format(PyExc_ValueError, "%s=%R is out of range (-2147483648 to 2147483647)", name,
                 value);
    return false;
  }
  target = static_cast<int32_t>(number);
  return true;
}

// The arguments of every call: the text, for save() the path, then the settings by keyword.
struct Call {
  PyObject* text = nullptr;
  PyObject* path = nullptr;  // a bytes object from PyUnicode_FSConverter, owned
  Options options;
  ~Call() { Py_XDECREF(path); }
};

bool ParseCall(const char* function, bool with_path, PyObject* args, PyObject* kwargs, Call& call) {
  static const char* render_keywords[] = {"text",   "font",  "size",   "color",   "line_spacing",
                                          "margin", "width", "format", "quality", "background",
                                          "align",  "dpi",   nullptr};
  static const char* save_keywords[] = {"text",         "path",   "font",  "size",   "color",
                                        "line_spacing", "margin", "width", "format", "quality",
                                        "background",   "align",  "dpi",   nullptr};
  PyObject* font = nullptr;
  PyObject* size = nullptr;
  PyObject* color = nullptr;
  PyObject* line_spacing = nullptr;
  PyObject* margin = nullptr;
  PyObject* width = nullptr;
  PyObject* format = nullptr;
  PyObject* quality = nullptr;
  PyObject* background = nullptr;
  PyObject* align = nullptr;
  PyObject* dpi = nullptr;
  const std::string parse_format =
      std::string(with_path ? "UO&|$OOOOOOOOOOO:" : "U|$OOOOOOOOOOO:") + function;
  const bool parsed =
      with_path ? PyArg_ParseTupleAndKeywords(
                      args, kwargs, parse_format.c_str(), const_cast<char**>(save_keywords), &call.text,
                      PyUnicode_FSConverter, &call.path, &font, &size, &color, &line_spacing,
                      &margin, &width, &format, &quality, &background, &align, &dpi)
                : PyArg_ParseTupleAndKeywords(args, kwargs, parse_format.c_str(),
                                              const_cast<char**>(render_keywords), &call.text,
                                              &font, &size, &color, &line_spacing, &margin, &width,
                                              &format, &quality, &background, &align, &dpi);
  if (!parsed) return false;

  Options& o = call.options;
  // width, background and save()'s format take None for their defaults.
  auto none = [](PyObject* value) { return value == nullptr || value == Py_None; };
  return (font == nullptr || TextValue("font", font, o.font)) &&
         (size == nullptr || NumberValue("size", size, o.size)) &&
         (color == nullptr || ColorValue("color", color, o.color)) &&
         (line_spacing == nullptr || NumberValue("line_spacing", line_spacing, o.line_spacing)) &&
         (margin == nullptr || NumberValue("margin", margin, o.margin)) &&
         (none(width) || NumberValue("width", width, o.width)) &&
         ((with_path ? none(format) : format == nullptr) ||
          TextValue("format", format, o.format)) &&
         (quality == nullptr || NumberValue("quality", quality, o.quality)) &&
         (none(background) || ColorValue("background", background, o.background)) &&
         (align == nullptr || TextValue("align", align, o.align)) &&
         (dpi == nullptr || NumberValue("dpi", dpi, o.dpi));
}

// The UTF-8 of the call's text; the str keeps it alive, unchanged, while the GIL is released.
const char* TextOf(const Call& call, size_t& length) {
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(call.text, &size);
  length = static_cast<size_t>(size);
  return utf8;
}

// The format the tool gives an -o name: its extension when that names one, otherwise JPEG.
std::optional<std::string> FormatOfPath(std::string_view path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) {
    return std::nullopt;
  }
  std::string extension(path.substr(dot + 1));
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (extension == "png" || extension == "jpg" || extension == "jpeg") return extension;
  return std::nullopt;
}

// ---- The functions ------------------------------------------------------------------------

PyObject* Render(PyObject*, PyObject* args, PyObject* kwargs) {
  Call call;
  if (!ParseCall("render", false, args, kwargs, call)) return nullptr;
  size_t length = 0;
  const char* text = TextOf(call, length);
  if (text == nullptr) return nullptr;

  unsigned char* data = nullptr;
  size_t size = 0;
  Outcome outcome;
  std::string warnings;
  Py_BEGIN_ALLOW_THREADS outcome = Drawn(call.options, [&](const text2jpg_settings* settings) {
    const text2jpg_status status = text2jpg_render(settings, text, length, &data, &size);
    if (status == TEXT2JPG_OK) warnings = text2jpg_last_warnings();
    return status;
  });
  Py_END_ALLOW_THREADS if (outcome.status != TEXT2JPG_OK) return Raise(outcome);

  PyObject* bytes =
      PyBytes_FromStringAndSize(reinterpret_cast<const char*>(data), static_cast<Py_ssize_t>(size));
  text2jpg_free(data);
  if (bytes == nullptr) return nullptr;
  if (!Warn(warnings)) {
    Py_DECREF(bytes);
    return nullptr;
  }
  return bytes;
}

PyObject* Save(PyObject*, PyObject* args, PyObject* kwargs) {
  Call call;
  if (!ParseCall("save", true, args, kwargs, call)) return nullptr;
  size_t length = 0;
  const char* text = TextOf(call, length);
  if (text == nullptr) return nullptr;
  const char* path = PyBytes_AS_STRING(call.path);
  if (!call.options.format) call.options.format = FormatOfPath(path);

  Outcome outcome;
  std::string warnings;
  Py_BEGIN_ALLOW_THREADS outcome = Drawn(call.options, [&](const text2jpg_settings* settings) {
    const text2jpg_status status = text2jpg_save(settings, text, length, path);
    if (status == TEXT2JPG_OK) warnings = text2jpg_last_warnings();
    return status;
  });
  Py_END_ALLOW_THREADS if (outcome.status != TEXT2JPG_OK) return Raise(outcome);
  if (!Warn(warnings)) return nullptr;
  Py_RETURN_NONE;
}

PyObject* Size(PyObject*, PyObject* args, PyObject* kwargs) {
  Call call;
  if (!ParseCall("size", false, args, kwargs, call)) return nullptr;
  size_t length = 0;
  const char* text = TextOf(call, length);
  if (text == nullptr) return nullptr;

  int32_t width = 0;
  int32_t height = 0;
  Outcome outcome;
  Py_BEGIN_ALLOW_THREADS outcome = Drawn(call.options, [&](const text2jpg_settings* settings) {
    return text2jpg_measure(settings, text, length, &width, &height);
  });
  Py_END_ALLOW_THREADS if (outcome.status != TEXT2JPG_OK) return Raise(outcome);
  return Py_BuildValue("(ii)", width, height);
}

PyObject* Fonts(PyObject*, PyObject*) {
  char** names = nullptr;
  size_t count = 0;
  Outcome outcome;
  Py_BEGIN_ALLOW_THREADS const text2jpg_status status = text2jpg_fonts(&names, &count);
  if (status != TEXT2JPG_OK) outcome = Failed(status);
  Py_END_ALLOW_THREADS if (outcome.status != TEXT2JPG_OK) return Raise(outcome);

  PyObject* list = PyList_New(static_cast<Py_ssize_t>(count));
  for (size_t i = 0; list != nullptr && i < count; ++i) {
    PyObject* name =
        PyUnicode_DecodeUTF8(names[i], static_cast<Py_ssize_t>(std::strlen(names[i])), "replace");
    if (name == nullptr) {
      Py_CLEAR(list);
      break;
    }
    PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), name);
  }
  text2jpg_free_fonts(names);
  return list;
}

// ---- The module ---------------------------------------------------------------------------

#define T2J_SETTINGS_DOC                                                                            \
  "Settings, by keyword, as text2jpg-cli's long options:\n"                                         \
  "  font='宋体'       a family, a Windows face (宋体, 黑体, Arial, ...), \"Family Style\"\n" \
  "                    or \"Family:weight=bold\"; characters it lacks come from a font\n"           \
  "                    that has them\n"                                                             \
  "  size=12           points (12 points are 16 pixels at 96 dpi)\n"                                \
  "  color='clGreen'   '#RRGGBB', '#RGB', a name such as 'clRed' or 'red', the tool's\n"            \
  "                    colour number as text ('0x0000FF' is red: 0x00BBGGRR), or an\n"              \
  "                    (r, g, b) tuple; a bare int is refused as ambiguous\n"                       \
  "  line_spacing=4    pixels between lines, may be negative\n"                                     \
  "  margin=10         pixels around the text\n"                                                    \
  "  width=None        the most pixels the picture may be wide, margins included; longer\n"         \
  "                    lines are broken; None (or 0): no limit\n"                                   \
  "  format='jpeg'     'jpeg' (or 'jpg') or 'png'\n"                                                \
  "  quality=90        JPEG quality, 1 to 100\n"                                                    \
  "  background=None   the picture's colour, as color takes it; None: white\n"                      \
  "  align='left'      'left', 'center' or 'right'\n"                                               \
  "  dpi=96            pixels per inch for the point size\n"                                        \
  "\n"                                                                                              \
  "Lines are split at \\n, \\r\\n and \\r; a last empty line is dropped. A bad setting\n"           \
  "raises ValueError, a value of the wrong type TypeError, a picture that cannot be\n"              \
  "made text2jpg.Error with text2jpg-cli's message. A face or characters no installed\n"            \
  "font has give a FontWarning. Other threads run while the picture is drawn.\n"

PyMethodDef methods[] = {
    {"render", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(Render)),
     METH_VARARGS | METH_KEYWORDS,
     "render(text, *, font='\\u5b8b\\u4f53', size=12, color='clGreen', line_spacing=4, margin=10, "
     "width=None, format='jpeg', quality=90, background=None, align='left', dpi=96)\n"
     "--\n\n"
     "The picture of `text` as JPEG (or PNG) bytes, the same bytes text2jpg-cli "
     "writes.\n\n" T2J_SETTINGS_DOC},
    {"save", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(Save)),
     METH_VARARGS | METH_KEYWORDS,
     "save(text, path, *, font='\\u5b8b\\u4f53', size=12, color='clGreen', line_spacing=4, "
     "margin=10, width=None, format=None, quality=90, background=None, align='left', dpi=96)\n"
     "--\n\n"
     "Writes the picture of `text` to `path` (str or os.PathLike) as text2jpg-cli -o does: the\n"
     "file holds its old content or the whole new picture, never a part. Without format, a\n"
     "path ending in .png gives PNG and any other JPEG.\n\n" T2J_SETTINGS_DOC},
    {"size", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(Size)),
     METH_VARARGS | METH_KEYWORDS,
     "size(text, *, font='\\u5b8b\\u4f53', size=12, color='clGreen', line_spacing=4, margin=10, "
     "width=None, format='jpeg', quality=90, background=None, align='left', dpi=96)\n"
     "--\n\n"
     "The (width, height) in pixels the picture of `text` would have; nothing is "
     "drawn.\n\n" T2J_SETTINGS_DOC},
    {"fonts", Fonts, METH_NOARGS,
     "fonts()\n"
     "--\n\n"
     "The installed font families and the Windows faces drawn with them, as text2jpg-cli\n"
     "--list-fonts prints them."},
    {nullptr, nullptr, 0, nullptr}};

PyModuleDef module_def = {PyModuleDef_HEAD_INIT,
                          "text2jpg._text2jpg",
                          "The drawing functions of text2jpg, over libtext2jpg.",
                          -1,
                          methods,
                          nullptr,
                          nullptr,
                          nullptr,
                          nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__text2jpg(void) {
  PyObject* module = PyModule_Create(&module_def);
  if (module == nullptr) return nullptr;
  error_type = PyErr_NewExceptionWithDoc(
      "text2jpg.Error",
      "A picture that cannot be made or written: empty or invalid text, a picture too large,\n"
      "a file that cannot be written. str(error) is text2jpg-cli's message.",
      nullptr, nullptr);
  font_warning_type = PyErr_NewExceptionWithDoc(
      "text2jpg.FontWarning",
      "The text is drawn otherwise than asked: no installed family has the face (another\n"
      "draws the text), or no installed font has some characters (drawn as boxes).",
      PyExc_UserWarning, nullptr);
  if (error_type == nullptr || font_warning_type == nullptr ||
      PyModule_AddObjectRef(module, "Error", error_type) < 0 ||
      PyModule_AddObjectRef(module, "FontWarning", font_warning_type) < 0 ||
      PyModule_AddStringConstant(module, "__version__", text2jpg_version()) < 0) {
    Py_DECREF(module);
    return nullptr;
  }
  return module;
}
