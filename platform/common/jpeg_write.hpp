// The JPEG step: a held picture to a JPEG file through libjpeg's classic API.
#pragma once

#include "picture.hpp"

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// libjpeg quality for the program's quality: 10 or more -> 100,
// 1..9 -> 10 * quality, 0 or less -> 0.
int JpegQuality(std::int32_t quality);

// Writes the picture to `path`. The file is first written in full next to
// it (path + ".part"; when the system refuses that longer name, `path` with
// its last character replaced by '~'), flushed and closed, and only then put
// in the place of `path`; on any failure `path` is left as it was and the
// partial file is removed. Fails (false) for an empty or oversized picture,
// a missing or unwritable folder, a read-only file at `path`, a failed
// write, flush or close, and any error libjpeg raises.
bool JpegWriteFile(const std::string& path, const Picture& picture, std::int32_t quality);

// Gives line y (top line first) as blue, green, red, unused, or nullptr when
// it cannot; asked once for each line, in order.
using JpegLineSource = std::function<const std::uint8_t*(std::int32_t y)>;

// The same JPEG step for lines that come one at a time, as a reader of a
// file hands them on, without a held picture: the same scan lines, the same
// file. Fails like JpegWriteFile, and also when `line` gives nullptr.
bool JpegWriteLines(const std::string& path, std::int32_t width, std::int32_t height, std::int32_t quality,
                    const JpegLineSource& line);

// Converts one row of held pixels (blue, green, red, unused) to the scan line
// libjpeg receives (red, green, blue).
void ConvertRowToRgb(const std::uint8_t* bgrx, std::uint8_t* rgb, std::int32_t width);

// Fault injection for tests: the next JpegWriteFile raises a libjpeg write
// error once `bytes` bytes of compressed data have been handed to the file.
// A negative value disarms it.
void JpegFailNextWriteAfter(long bytes);

}  // namespace platform
