// What the backend holds of the desktop's own: kernel handles, component objects and the memory
// they hand out, each given back once by its holder; the apartment component calls run in; and
// the desktop's words for an error code.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

// One reference to a component object's interface.
template <class Interface> class ComPtr {
public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* Get() const { return object_; }
  Interface* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // Where a call that hands out a new reference puts it.
  Interface** Put() {
    Reset();
    return &object_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  void Reset() {
    if (object_)
      std::exchange(object_, nullptr)->Release();
  }
  // Another interface of the same object; empty when it has none.
  template <class Other> ComPtr<Other> As() const {
    ComPtr<Other> other;
    if (object_)
      object_->QueryInterface(__uuidof(Other), other.PutVoid());
    return other;
  }

private:
  Interface* object_ = nullptr;
};

// Memory a component hands out, such as a path or a list of shell items.
struct TaskMemoryFreer {
  void operator()(void* memory) const { CoTaskMemFree(memory); }
};
template <class T> using TaskMemory = std::unique_ptr<T, TaskMemoryFreer>;

// Component calls on this thread for as long as it lives. A thread that already joined an
// apartment of either kind keeps it; the calls then run there.
class ComApartment {
public:
  ComApartment() {
    const HRESULT joined =
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    leave_ = SUCCEEDED(joined);
    ready_ = leave_ || joined == RPC_E_CHANGED_MODE;
  }
  ~ComApartment() {
    if (leave_)
      CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool Ready() const { return ready_; }

private:
  bool leave_ = false; // each successful CoInitializeEx, S_FALSE too, needs its CoUninitialize
  bool ready_ = false;
};

// The bytes of a disk file open for reading, from where it stands; nothing when it is no disk file,
// holds more than limit bytes or cannot be read.
std::optional<std::vector<std::uint8_t>> ReadDiskFile(HANDLE file, LONGLONG limit);

// The desktop's message for a system error code or a failed HRESULT, in UTF-8, without the final
// full stop and line break.
std::string SystemMessage(DWORD code);

} // namespace platform::win32
