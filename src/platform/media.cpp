#include "platform/media.h"

#include "platform/testing.h"

namespace {

std::function<std::unique_ptr<TMediaPlayer>()>& Factory() {
  static std::function<std::unique_ptr<TMediaPlayer>()> factory;
  return factory;
}

} // namespace

std::unique_ptr<TMediaPlayer> NewMediaPlayer() {
  if (Factory())
    return Factory()();
  return std::make_unique<TMediaPlayer>();
}

void platform_test::SetPlayerFactory(std::function<std::unique_ptr<TMediaPlayer>()> factory) {
  Factory() = std::move(factory);
}
