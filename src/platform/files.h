// Files replaced in one step, so that a reader never meets half of one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// A path from UTF-8 text, and its UTF-8 text: the program's strings are UTF-8 on every desktop,
// whatever code page the desktop's narrow functions use.
inline std::filesystem::path PathOfUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}
inline std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The temporary file beside file that ReplaceFileWith writes first.
std::filesystem::path ReplacementOf(const std::filesystem::path& file);

// Writes bytes to ReplacementOf(file), flushes it to the disk and only then puts it in file's
// place in one step. False with error set when anything fails; file is untouched then and the
// temporary file gone.
bool ReplaceFileWith(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                     std::string& error);

// The folder that holds the bundled set of the 38 pictures, as installed; empty when there is
// none.
std::filesystem::path BundledPicturesFolder();

} // namespace platform
