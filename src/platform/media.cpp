#include "platform/media.h"

#include "platform/stand_ins.h"

std::unique_ptr<TMediaPlayer> NewMediaPlayer() {
  if (StandIns().playerFactory)
    return StandIns().playerFactory();
  return std::make_unique<TMediaPlayer>();
}
