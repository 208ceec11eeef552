// Files replaced in one step, so that a reader never meets half of one, and paths as UTF-8 text.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// A path from UTF-8 text, and its UTF-8 text: the program's strings are UTF-8 on every desktop,
// whatever code page the desktop's narrow functions use. A name the text cannot hold comes out
// with U+FFFD in its place.
std::filesystem::path PathOfUtf8(std::string_view text);
std::string Utf8Of(const std::filesystem::path& path);

// The temporary file beside file that a replacement is written to first.
std::filesystem::path ReplacementOf(const std::filesystem::path& file);

// Writes bytes to a new ReplacementOf(file) and has them on the disk; file is untouched. False
// with error set, and no temporary left, when anything fails.
bool WriteReplacement(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                      std::string& error);
// Puts the replacement written for file in its place in one step. False with error set when
// that fails; file is untouched then and the replacement gone.
bool CommitReplacement(const std::filesystem::path& file, std::string& error);
// Removes a replacement written for file that is not to be committed.
void DiscardReplacement(const std::filesystem::path& file);

// WriteReplacement, then CommitReplacement.
inline bool ReplaceFileWith(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                            std::string& error) {
  return WriteReplacement(file, bytes, error) && CommitReplacement(file, error);
}

// The folder that holds the bundled set of the 38 pictures, as installed; empty when there is
// none.
std::filesystem::path BundledPicturesFolder();

} // namespace platform
