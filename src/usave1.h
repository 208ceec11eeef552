// The display window: a black, borderless, topmost window over the whole screen that shows a
// random photograph from the catalogue at every tick, in one of three layouts, plays the user's
// sounds meanwhile, and ends on a key or a mouse-button press.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "catalogue.h"
#include "platform/application.h"
#include "platform/forms.h"
#include "platform/identity.h"
#include "platform/types.h"

class TCoverForm;
class TImage;
class TLabel;
class TMediaPlayer;
class TTimer;

// How many leading catalogue entries the slideshow draws from: 38, or 0 when one is missing.
extern int ActivePictureCount;

// The random generator: one 32-bit state, reseeded from the time of day before every draw.
extern std::uint32_t RandomSeed;
void ReseedFromClock();
// A value from 0 to n - 1 for n above 0.
int RandomBelow(int n);

// Layouts and intervals.
enum DisplayModes { dmTiled = 1, dmDefaultSize = 2, dmFullScreen = 3 };
extern bool FirstTickPending;
extern int SlideInterval; // ms
extern int DisplayMode;   // DisplayModes
extern int QuadrantState; // 1 top-left, 2 bottom-left, 3 top-right, 4 bottom-right
extern bool ExitLatch;

// x rounded to the nearest integer, an exact half to the even neighbour.
int Nearest(long double x);
// The bounds of tile quadrant (1 to 4) on a screen of width x height pixels.
TRect QuadrantBounds(int quadrant, int width, int height);
// The top-left corner of a w x h picture centred on a width x height screen.
TPoint CenteredPosition(int width, int height, int w, int h);
// What black cover windows must take so that no monitor shows the desktop while the slideshow
// has the primary area: each monitor less the primary area and the monitors before it, so a
// monitor that mirrors another needs no cover of its own. The parts do not overlap.
std::vector<TRect> CoverBounds(const std::vector<TRect>& monitors, const TRect& primary);

// Sound: the playable files of this run and the one handed to the player.
extern bool SoundEnabled;
extern std::vector<std::string> SoundList;
extern std::string CurrentSound;

class TForm1 : public TForm {
public:
  TForm1();
  ~TForm1() override;

  void FormCreate() override;
  void ShowAfterCreation() override;
  void Timer1Timer();
  void FormKeyDown();
  void deactivate(TMsg& msg, bool& handled);
  void MediaPlayer1Notify();

  // Routines of the slideshow.
  void CheckActivePictures();
  void LoadRandomPicture();
  void CopyStagedPicture(TImage* target);
  void PlaceQuadrant();
  void CenterPicture();
  // Places the pictures on the screen again for its current size, as their layout would.
  void LayOutShownPictures();
  void BuildSoundList();
  void PlayCurrentSound();

  TImage* Image1 = nullptr;
  std::unique_ptr<TTimer> Timer1;
  std::unique_ptr<TMediaPlayer> MediaPlayer1;
  TLabel* lblinfo = nullptr;
  TImage* image2 = nullptr;
  TImage* Image3 = nullptr;
  TImage* Image4 = nullptr;
  TImage* Image5 = nullptr;
  TImage* imagjunk = nullptr;

  // Black windows over the monitors that the slideshow leaves uncovered, in CoverBounds order.
  std::vector<std::unique_ptr<TCoverForm>> Covers;

private:
  // The ending on a left, right or middle button press, whichever of the display's windows saw
  // it; only the first press counts.
  void EndOnButton();
  void RefreshSequence(TImage* target);
  void ShowFullScreenPicture();
  void ShowDefaultSizePicture();
  void ShowNextTile();
  void FillScreen(TImage* image);
  void PlaceTile(int quadrant);
  void CoverOtherMonitors();
  void PlaceOnMonitors();
  void SoundTickStep();
  TImage* TileImage(int quadrant) const;

  WindowIdentity identity_;
};
