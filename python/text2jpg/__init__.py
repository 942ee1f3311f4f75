"""Text drawn into a JPEG or PNG picture that fits it exactly, as 文本to图片 draws it.

    >>> import text2jpg
    >>> jpeg = text2jpg.render("你好，世界\\nHello", font="黑体", size=24)
    >>> text2jpg.save("你好", "hello.png", color="#C00000")
    >>> text2jpg.size("你好")
    (52, 36)

The bytes are those text2jpg-cli writes for the same text and settings. The drawing runs in
libtext2jpg without the GIL, so threads draw in parallel.
"""

from text2jpg._text2jpg import (
    Error,
    FontWarning,
    __version__,
    fonts,
    render,
    save,
    size,
)

__all__ = ["Error", "FontWarning", "fonts", "render", "save", "size", "__version__"]
