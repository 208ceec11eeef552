// The settings dialog on the screen: its photograph and layout, its keyboard, closing it, and a
// display that reads the file while the dialog changes it.
#include "usave2_fixture.h"

namespace usave2_test {

const TColor kPhoto = RGB(0, 160, 0);

// The first and last position along a line of the picture where the photograph shows.
std::pair<int, int> PhotoSpan(const TPixels& shot, TPoint from, TPoint step, int length) {
  int first = -1, last = -1;
  for (int i = 0; i < length; ++i) {
    if (Near(shot.Pixel(from.X + i * step.X, from.Y + i * step.Y), kPhoto)) {
      if (first < 0)
        first = i;
      last = i;
    }
  }
  return {first, last};
}

TEST_F(SettingsDialog, ThePhotographIsCentredInTheWindowOnItsSilver) {
  WritePhoto(200, 100, kPhoto);
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}}));
  form->Show();
  const TPixels shot = platform_test::Grab(*form);
  ASSERT_EQ(shot.Width(), 552);
  ASSERT_EQ(shot.Height(), 383);
  // Centred in the whole window, frame included, whose corner is the client area's: nothing else
  // lies on this row and this column where the photograph shows.
  const TRect outer = form->OuterBounds();
  const int left = (outer.Width - 200) / 2, top = (outer.Height - 100) / 2;
  EXPECT_EQ(PhotoSpan(shot, {0, 150}, {1, 0}, 552), std::pair(left, left + 199));
  EXPECT_EQ(PhotoSpan(shot, {250, 0}, {0, 1}, 383), std::pair(top, top + 99));
  for (TPoint free : {TPoint{5, 150}, TPoint{545, 375}, TPoint{174, 150}})
    EXPECT_EQ(shot.Pixel(free.X, free.Y), clSilver) << free.X << "," << free.Y;
  form->Hide();
}

// Whether any pixel of the area has the navy of the group labels' text.
bool HasNavyText(const TPixels& shot, const TRect& area) {
  for (int y = area.Top; y < area.Bottom(); ++y)
    for (int x = area.Left; x < area.Right(); ++x) {
      const TColor p = shot.Pixel(x, y);
      if (BlueOf(p) > 90 && BlueOf(p) > RedOf(p) + 60 && BlueOf(p) > GreenOf(p) + 60)
        return true;
    }
  return false;
}

TEST_F(SettingsDialog, ThePhotographCoversOnlyTheHeadline) {
  // A photograph as large as the window lies under every control but Label1.
  WritePhoto(552, 383, kPhoto);
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}}));
  form->Show();
  const TPixels shot = platform_test::Grab(*form);
  const auto at = [&](int left, int top) { return shot.Pixel(left, top); };

  const auto photoPixels = [&](const TRect& area) {
    int shown = 0;
    for (int y = area.Top; y < area.Bottom(); ++y)
      for (int x = area.Left; x < area.Right(); ++x)
        shown += Near(at(x, y), kPhoto) ? 1 : 0;
    return shown;
  };
  const TRect headline = form->Label1->BoundsRect();
  EXPECT_EQ(photoPixels(headline), headline.Width * headline.Height);
  // The colour group is never shown.
  const TRect colours = form->GroupBox1->BoundsRect();
  EXPECT_EQ(photoPixels(colours), colours.Width * colours.Height);

  // The list: white below its entry.
  EXPECT_EQ(at(10 + 150, 32 + 80), clWhite);
  // OK: a button face, lighter than its border.
  EXPECT_FALSE(Near(at(464 + 37, 361 + 8), kPhoto));
  EXPECT_GT(Lightness(at(464 + 10, 361 + 8)), Lightness(at(464, 361 + 8)));

  for (const TPanel* panel : {form->Panel1, form->Panel2, form->Panel3}) {
    SCOPED_TRACE(panel->Name());
    const TRect p = panel->BoundsRect();
    // The face hides the photograph; the lowered bevel is dark at the top and left, light at the
    // bottom and right, two pixels wide.
    EXPECT_EQ(at(p.Left + 3, p.Top + p.Height / 2), clSilver);
    for (TPoint dark : {TPoint{p.Left, p.Top + 40}, TPoint{p.Left + 1, p.Top + 40},
                        TPoint{p.Left + 70, p.Top}, TPoint{p.Left + 70, p.Top + 1}})
      EXPECT_LT(Lightness(at(dark.X, dark.Y)), 192 - 20) << dark.X << "," << dark.Y;
    for (TPoint light : {TPoint{p.Right() - 1, p.Top + 40}, TPoint{p.Right() - 2, p.Top + 40},
                         TPoint{p.Left + 70, p.Bottom() - 1}, TPoint{p.Left + 70, p.Bottom() - 2}})
      EXPECT_GT(Lightness(at(light.X, light.Y)), 192 + 20) << light.X << "," << light.Y;
  }
  for (const TLabel* label : {form->Label2, form->Label3, form->Label4}) {
    TRect area = label->BoundsRect();
    area.Left += label->Parent()->Left();
    area.Top += label->Parent()->Top();
    EXPECT_TRUE(HasNavyText(shot, area)) << label->Name();
  }

  // The hand, from Image2's corner, cut off at its bottom; the panel's silver beside it.
  const TPixels hand = PointingHandPicture();
  ASSERT_EQ(hand.Width(), 32);
  ASSERT_EQ(hand.Height(), 32);
  const TPoint corner{314 + 7, 32 + 64};
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 34; ++x)
      ASSERT_EQ(at(corner.X + x, corner.Y + y), x < 32 ? hand.Pixel(x, y) : clSilver)
          << x << "," << y;
  form->Hide();
}

TEST_F(SettingsDialog, ShownInTheCentreOfTheScreen) {
  platform_test::SetScreenSize(std::pair{1024, 768});
  auto form = Open();
  form->Show();
  TRect outer;
  EXPECT_TRUE(platform_test::WaitUntil([&] {
    outer = form->OuterBounds();
    return outer.Left == (1024 - outer.Width) / 2 && outer.Top == (768 - outer.Height) / 2;
  })) << outer.Left
      << "," << outer.Top << " " << outer.Width << "x" << outer.Height;
  // The photograph is centred in the whole window, frame included.
  EXPECT_EQ(form->Image1->BoundsRect(), (TRect{0, 0, outer.Width, outer.Height}));
  form->Hide();
}

TEST_F(SettingsDialog, ListItemsAreThirteenPixelsHigh) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}, {2, "b.wav"}, {3, "c.wav"}}));
  ASSERT_TRUE(ShowActive(*form, *form->ListBox2));
  TListBox& list = *form->ListBox2;
  const TRect rows = list.ClientRect();
  // The first and the last pixel row of each entry, top down: one pixel off either way lands on
  // a neighbour.
  for (int row = 0; row < 3; ++row) {
    for (int y : {0, 12}) {
      platform_test::ClickAt(list, TPoint{rows.Left + 20, rows.Top + 13 * row + y});
      EXPECT_EQ(list.ItemIndex(), row) << "pixel row " << y;
    }
  }
  form->Hide();
}

TEST_F(SettingsDialog, TheListKeepsOneEntryHighlightedAndRemoveActsOnIt) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}, {2, "b.wav"}, {3, "c.wav"}}));
  ASSERT_TRUE(ShowActive(*form, *form->ListBox2));
  TListBox& list = *form->ListBox2;
  const TRect rows = list.ClientRect();
  const TPoint third{rows.Left + rows.Width / 2, rows.Top + 2 * 13 + 6};
  const TPoint blank{rows.Left + rows.Width / 2, rows.Bottom() - 5};

  // Neither a click below the entries nor Ctrl+Space, which toggles an entry elsewhere, clears
  // the highlight.
  platform_test::ClickAt(list, blank);
  EXPECT_EQ(list.ItemIndex(), 0);
  ASSERT_EQ(platform_test::FocusedControl(*form), &list);
  platform_test::PressKey(*form, VK_SPACE, false, true);
  EXPECT_NE(list.ItemIndex(), -1);
  platform_test::ClickAt(list, third);
  EXPECT_EQ(list.ItemIndex(), 2);
  platform_test::ClickAt(list, blank);
  EXPECT_EQ(list.ItemIndex(), 2);

  boxAnswers.push_back(IDOK);
  platform_test::ClickAt(*form->Cmdwavd);
  EXPECT_EQ(Entries(*form), (std::vector<std::string>{"a.wav", "b.wav"}));
  EXPECT_EQ(FileSlot(3), kEmptySlot);
  EXPECT_EQ(list.ItemIndex(), 0);
  ExpectConsistent(*form);
  form->Hide();
}

TEST_F(SettingsDialog, TabEntersEachRadioGroupOnItsCheckedButtonAndArrowsMoveWithin) {
  auto form =
      OpenWith(SettingsText("Sound=1\r\nColor=1\r\nPicdis=2\r\nTime=3\r\n", {{1, "a.wav"}}));
  ASSERT_TRUE(ShowActive(*form, *form->cmdclose));
  const auto focused = [&] { return platform_test::FocusedControl(*form); };
  std::vector<TControl*> visited;
  for (int step = 0; step < 10; ++step) {
    visited.push_back(focused());
    platform_test::PressKey(*form, VK_TAB);
  }
  EXPECT_EQ(visited,
            (std::vector<TControl*>{form->cmdclose, form->cmdhelp, form->ListBox2, form->Radtime3,
                                    form->Cmdwav, form->Cmdwavd, form->Radsndon, form->Radpicd,
                                    form->cmdmore, form->cmdclose}));

  // Space on the button Tab entered on changes nothing.
  form->cmdmore->SetFocus();
  platform_test::PressKey(*form, VK_TAB, true);
  ASSERT_EQ(focused(), form->Radpicd);
  platform_test::PressKey(*form, VK_SPACE);
  ExpectSelected(*form, {form->Radsndon, form->Radtime3, form->Radpicd, form->radcol1});

  // The arrows move along the group as it stands on the screen, selecting as they go.
  platform_test::PressKey(*form, VK_DOWN);
  EXPECT_EQ(focused(), form->Radpicst);
  platform_test::PressKey(*form, VK_UP);
  platform_test::PressKey(*form, VK_UP);
  EXPECT_EQ(focused(), form->Radpicti);
  ExpectSelected(*form, {form->Radsndon, form->Radtime3, form->Radpicti, form->radcol1});
  platform_test::PressKey(*form, VK_UP);
  EXPECT_EQ(focused(), form->Radpicti);

  // Tab now enters that group on the newly selected button, also backwards.
  platform_test::PressKey(*form, VK_TAB);
  EXPECT_EQ(focused(), form->cmdmore);
  platform_test::PressKey(*form, VK_TAB, true);
  EXPECT_EQ(focused(), form->Radpicti);
  form->Hide();
}

TEST_F(SettingsDialog, EnterAndEscapePressNoButtonSpaceTheFocusedOne) {
  auto form = OpenWith(SettingsText(kSoundOnOptions, {{1, "a.wav"}}));
  const std::string before = ReadWholeFile(root.SettingsFile());
  ASSERT_TRUE(ShowActive(*form, *form->cmdclose));
  for (TControl* control : std::initializer_list<TControl*>{
           form->cmdclose, form->cmdhelp, form->Cmdwav, form->Cmdwavd, form->ListBox2}) {
    SCOPED_TRACE(control->Name());
    control->SetFocus();
    ASSERT_EQ(platform_test::FocusedControl(*form), control);
    platform_test::PressKey(*form, VK_RETURN);
    platform_test::PressKey(*form, VK_ESCAPE);
  }
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(fileRequests.empty());
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), before);

  // The keys did reach the buttons: Space presses the focused one.
  form->Cmdwav->SetFocus();
  platform_test::PressKey(*form, VK_SPACE);
  EXPECT_EQ(fileRequests.size(), 1u);
  form->Hide();
}

TEST_F(SettingsDialog, ClosingTheWindowStoresTheOptionsAsOkDoesOrStaysOpenOnce) {
  Application().Title = kApplicationTitle;
  auto form = OpenWith(SettingsText("Sound=0\r\nColor=2\r\nPicdis=3\r\nTime=1\r\n"));
  form->Show();
  form->Radtime2->Click();
  form->Radpicti->Click();

  BlockWrites();
  form->Close();
  EXPECT_TRUE(form->Visible());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Unable to write to " + kSettings + ".");

  UnblockWrites();
  form->Close();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()),
            SettingsText("Sound=0\r\nColor=2\r\nPicdis=1\r\nTime=2\r\n"));
}

TEST_F(SettingsDialog, AFileThatStaysUnwritableDoesNotKeepTheWindowOpenForGood) {
  Application().Title = kApplicationTitle;
  const std::string stored = SettingsText("Sound=0\r\nColor=2\r\nPicdis=3\r\nTime=1\r\n");
  auto form = OpenWith(stored);
  form->Show();
  form->Radtime2->Click();

  BlockWrites();
  form->Close();
  EXPECT_TRUE(form->Visible());
  form->Close();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(boxes.size(), 2u);
  UnblockWrites();
  EXPECT_EQ(ReadWholeFile(root.SettingsFile()), stored);
}

// A display started while the dialog is open, in a process of its own: it reads every slot again
// and again, and on request reports one full reading.
class SlotReaderProcess {
public:
  SlotReaderProcess() {
    if (::pipe(commands_) != 0 || ::pipe(replies_) != 0)
      throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(commands_[1]);
      ::close(replies_[0]);
      Serve(commands_[0], replies_[1]);
    }
    ::close(commands_[0]);
    ::close(replies_[1]);
  }
  ~SlotReaderProcess() {
    ::close(commands_[1]);
    ::close(replies_[0]);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  SlotReaderProcess(const SlotReaderProcess&) = delete;
  SlotReaderProcess& operator=(const SlotReaderProcess&) = delete;

  // One reading of slots 1 to 100 taken after this call.
  std::vector<std::string> Reading() { return Split(Ask('r')); }
  // Readings made in the background so far, and how many of them saw a slot without its key.
  std::pair<int, int> Finish() {
    const std::vector<std::string> counts = Split(Ask('q'));
    return {std::stoi(counts.at(0)), std::stoi(counts.at(1))};
  }

private:
  [[noreturn]] static void Serve(int commands, int replies) {
    int readings = 0, torn = 0;
    for (;;) {
      pollfd command{commands, POLLIN, 0};
      char c = 0;
      if (::poll(&command, 1, 0) > 0 && ::read(commands, &c, 1) == 1) {
        std::string reply;
        if (c == 'q') {
          reply = std::to_string(readings) + "\n" + std::to_string(torn) + "\n";
        } else {
          for (const std::string& slot : ReadAll())
            reply += slot + "\n";
        }
        reply += '\0';
        const bool sent = ::write(replies, reply.data(), reply.size()) == ssize_t(reply.size());
        if (c == 'q' || !sent)
          ::_exit(0);
        continue;
      }
      if (command.revents & (POLLHUP | POLLERR))
        ::_exit(1);
      ++readings;
      for (const std::string& slot : ReadAll())
        torn += slot.empty() ? 1 : 0;
    }
  }

  static std::vector<std::string> ReadAll() {
    std::vector<std::string> all;
    for (int n = 1; n <= kSoundSlotCount; ++n)
      all.push_back(ReadSoundSlot(kSettings, n));
    return all;
  }

  std::string Ask(char command) {
    if (::write(commands_[1], &command, 1) != 1)
      return {};
    std::string reply;
    pollfd readable{replies_[0], POLLIN, 0};
    char buffer[4096];
    while (::poll(&readable, 1, 10000) > 0) {
      const ssize_t got = ::read(replies_[0], buffer, sizeof buffer);
      if (got <= 0)
        break;
      reply.append(buffer, std::size_t(got));
      if (reply.back() == '\0')
        return reply.substr(0, reply.size() - 1);
    }
    return {};
  }

  static std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      parts.push_back(text.substr(start, end - start));
    return parts;
  }

  int pid_ = -1;
  int commands_[2] = {-1, -1};
  int replies_[2] = {-1, -1};
};

std::vector<std::string> DialogSlots() {
  return std::vector<std::string>(SoundSlots.begin() + 1, SoundSlots.end());
}

TEST_F(SettingsDialog, ADisplayStartedMeanwhileSeesEverySlotChange) {
  auto form = Open();
  SlotReaderProcess display;
  for (int i = 1; i <= 60; ++i)
    Add(*form, SoundPath(i));
  EXPECT_EQ(display.Reading(), DialogSlots());

  for (int i = 0; i < 20; ++i)
    Remove(*form, i); // every other entry, as the list closes up
  for (int i = 61; i <= 65; ++i)
    Add(*form, SoundPath(i));
  ExpectConsistent(*form);
  const std::vector<std::string> seen = display.Reading();
  EXPECT_EQ(seen, DialogSlots());
  EXPECT_EQ(std::count(seen.begin(), seen.end(), kEmptySlot), 100 - 45);

  const auto [readings, torn] = display.Finish();
  EXPECT_GT(readings, 0);
  EXPECT_EQ(torn, 0);
}

} // namespace usave2_test
