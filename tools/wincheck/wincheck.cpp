#include "wincheck.h"

#include <windows.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

namespace wincheck {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

// libjpeg's default error_exit ends the process; jump back to decodeJpeg instead. Only C frames
// of libjpeg lie between, so no destructor is skipped.
[[noreturn]] void onError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void quiet(j_common_ptr) {}

std::string toUtf8(const wchar_t* text, int length) {
  if (length <= 0)
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
  return out;
}

} // namespace

std::optional<Image> decodeJpeg(std::span<const unsigned char> data) {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = onError;
  errors.base.output_message = quiet;
  Image image;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  image.width = static_cast<int>(info.output_width);
  image.height = static_cast<int>(info.output_height);
  image.components = info.output_components;
  const std::size_t stride = info.output_width * static_cast<std::size_t>(info.output_components);
  image.pixels.resize(stride * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.pixels.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
}

std::optional<Image> decodeJpegFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
  return decodeJpeg(bytes);
}

std::string resourceString(unsigned id) {
  const wchar_t* text = nullptr;
  // A length of 0 asks for a read-only pointer into the resource, so no buffer size to guess.
  const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  return toUtf8(text, length);
}

std::string versionString(const std::string& field) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16) /* RT_VERSION */);
  if (!found)
    return {};
  const DWORD size = SizeofResource(self, found);
  const void* raw = LockResource(LoadResource(self, found));
  if (!raw || size == 0)
    return {};
  // VerQueryValue may write into the block, and a loaded resource is read-only.
  std::vector<unsigned char> block(static_cast<const unsigned char*>(raw),
                                   static_cast<const unsigned char*>(raw) + size);
  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof(Translation))
    return {};
  wchar_t query[128];
  const std::wstring wide(field.begin(), field.end());
  swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language,
           translation->codePage, wide.c_str());
  wchar_t* value = nullptr;
  if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&value), &length) ||
      length == 0)
    return {};
  // The length counts the closing NUL.
  return toUtf8(value, static_cast<int>(length) - 1);
}

} // namespace wincheck
