import os
from typing import Literal, Union

__version__: str

_Color = Union[str, tuple[int, int, int]]
_Format = Literal["jpeg", "jpg", "png"]
_Align = Literal["left", "center", "centre", "right"]

class Error(Exception):
    """A picture that cannot be made or written; str(error) is text2jpg-cli's message."""

class FontWarning(UserWarning):
    """A face or characters that no installed font has: the text is drawn otherwise."""

def render(
    text: str,
    *,
    font: str = "宋体",
    size: int = 12,
    color: _Color = "clGreen",
    line_spacing: int = 4,
    margin: int = 10,
    width: int | None = None,
    format: _Format = "jpeg",
    quality: int = 90,
    background: _Color | None = None,
    align: _Align = "left",
    dpi: int = 96,
) -> bytes: ...
def save(
    text: str,
    path: Union[str, bytes, os.PathLike[str], os.PathLike[bytes]],
    *,
    font: str = "宋体",
    size: int = 12,
    color: _Color = "clGreen",
    line_spacing: int = 4,
    margin: int = 10,
    width: int | None = None,
    format: _Format | None = None,
    quality: int = 90,
    background: _Color | None = None,
    align: _Align = "left",
    dpi: int = 96,
) -> None: ...
def size(
    text: str,
    *,
    font: str = "宋体",
    size: int = 12,
    color: _Color = "clGreen",
    line_spacing: int = 4,
    margin: int = 10,
    width: int | None = None,
    format: _Format = "jpeg",
    quality: int = 90,
    background: _Color | None = None,
    align: _Align = "left",
    dpi: int = 96,
) -> tuple[int, int]: ...
def fonts() -> list[str]: ...
