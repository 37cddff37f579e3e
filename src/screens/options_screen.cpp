// The options screen: display mode, music and sound toggles and the country field.
#include "screens/options_screen.h"

#include "screens/bitmap_text.h"
#include "screens/main_menu.h"
#include "screens/widgets.h"
#include "shell/form.h"

namespace brakkon::screens {
namespace {

constexpr int kOwnMenuSlot = 2;
constexpr int kDisplaySlot = 7;
constexpr int kMusicSlot = 8;
constexpr int kSoundSlot = 9;
constexpr int kCountrySlot = 10;

constexpr int kRowX = 22;            // px, option buttons
constexpr int kFirstRowY = 140;      // px
constexpr int kRowPitch = 48;        // px
constexpr int kLabelX = 35;          // px
constexpr int kValueX = 265;         // px, first value and the country
constexpr int kCountryY = 289;       // px, country text top
constexpr int kCursorMinX = 264;     // px
constexpr int kCursorY = 312;        // px, just under the country text
constexpr int kCountryRightX = 500;  // px, typing stops once the text ends here less the cursor
constexpr int kBlinkMs = 500;

constexpr char kBackspace = 8;
constexpr char kEnter = 13;
constexpr char kEsc = 27;

int RowY(int row) {
  return kFirstRowY + 5 + kRowPitch * row;
}

// Draws `text` in the active medium font when `chosen`, otherwise in the inactive one.
void DrawValue(shell::TMForm& form, const char* text, bool chosen, int x, int y) {
  if (chosen) {
    UseMediumActiveFont(form);
  } else {
    UseMediumFont(form);
  }
  DrawText(form, text, x, y);
}

void DrawOnOff(shell::TMForm& form, bool on, int y) {
  DrawValue(form, "ON", on, kValueX, y);
  DrawValue(form, "/", false, 299, y);
  DrawValue(form, "OFF", !on, 312, y);
}

// Leaves TextEndX behind the country text (or its label when it is empty), which
// places the cursor and limits typing.
void DrawOptionTexts(shell::TMForm& form) {
  const auto& options = form.Records.Options;
  UseBigFont(form);
  DrawText(form, "DISPLAY:", kLabelX, RowY(0));
  DrawText(form, "MUSIC:", kLabelX, RowY(1));
  DrawText(form, "SOUND:", kLabelX, RowY(2));
  DrawValue(form, "WINDOW", !options.FullScreen, kValueX, RowY(0));
  DrawValue(form, "/", false, 367, RowY(0));
  DrawValue(form, "FULL SCREEN", options.FullScreen, 379, RowY(0));
  DrawOnOff(form, options.Music, RowY(1));
  DrawOnOff(form, options.Sound, RowY(2));
  UseBigFont(form);
  DrawText(form, "YOUR COUNTRY:", kLabelX, kCountryY);
  DrawText(form, options.Country, kValueX, kCountryY);
}

int CountryLimitX(const shell::TMForm& form) {
  return kCountryRightX - form.Shell.CursorSprite->Width;
}

// Past the limit only spaces can be typed; the cursor then stays where it was.
void PlaceCountryCursor(shell::TMForm& form) {
  auto& s = form.Shell;
  if (s.TextEndX > CountryLimitX(form)) return;
  s.CursorSprite->X = s.TextEndX >= kCursorMinX ? s.TextEndX : kCursorMinX;
}

void BlinkCursor(shell::TMForm& form) {
  auto& s = form.Shell;
  const int interval = static_cast<int>(form.MDXTimer.Interval());
  if (s.CursorSprite->Visible) {
    s.CursorBlink -= interval;
    if (s.CursorBlink <= 0) {
      s.CursorSprite->Visible = false;
      s.CursorBlink = kBlinkMs;
    }
  }
  if (!s.CursorSprite->Visible) {
    s.CursorBlink -= interval;
    if (s.CursorBlink <= 0) {
      s.CursorSprite->Visible = true;
      s.CursorBlink = kBlinkMs;
    }
  }
}

void CountryKeyPress(shell::TMForm& form, char key) {
  std::string& country = form.Records.Options.Country;
  if (key == kBackspace) {
    if (!country.empty()) country.pop_back();
    return;
  }
  if (key == ' ') {
    country += ' ';
    return;
  }
  const char upper = key >= 'a' && key <= 'z' ? static_cast<char>(key - 'a' + 'A') : key;
  if (upper >= 'A' && upper <= 'Z' && form.Shell.TextEndX < CountryLimitX(form)) country += upper;
}

}  // namespace

void OpenOptions(shell::TMForm& form) {
  auto& s = form.Shell;
  s.GameState = shell::TGameState::Options;
  s.ButtonCount = kCountrySlot;
  s.ActiveButton = kDisplaySlot;
  s.FirstButton = kDisplaySlot;
  s.LastButton = kCountrySlot;
  s.ScreenCaption->Visible = false;
  form.MDXTimer.SetEnabled(true);
  engine::TSpriteEngine& root = form.MDXSpriteEngine.Engine();
  for (int slot = kDisplaySlot; slot <= kCountrySlot; ++slot) {
    s.Buttons[slot] = new TMenuButton(&root, form, "OptionButton_Active", "OptionButton_Inactive",
                                      0, 0, kRowX, kFirstRowY + kRowPitch * (slot - kDisplaySlot));
  }
  s.OptionsBackgroundSprite = new TCaptionSprite(&root, form, "OptionsBackground");
  s.OptionsBackgroundSprite->X = 14;
  s.OptionsBackgroundSprite->Y = 115;
  s.OptionsBackgroundSprite->SetZ(2);
  s.CursorSprite = new TCaptionSprite(&root, form, "Cursor");
  s.CursorBlink = 0;
  s.CursorSprite->Visible = false;
  s.CursorSprite->X = kCursorMinX;
  s.CountryEditing = false;
}

void CloseOptions(shell::TMForm& form) {
  auto& s = form.Shell;
  for (int slot = kDisplaySlot; slot <= kCountrySlot; ++slot) {
    delete s.Buttons[slot];
    s.Buttons[slot] = nullptr;
  }
  delete s.OptionsBackgroundSprite;
  s.OptionsBackgroundSprite = nullptr;
  delete s.CursorSprite;
  s.CursorSprite = nullptr;
  s.CountryEditing = false;
  form.MDXTimer.SetEnabled(false);
}

void OptionsTick(shell::TMForm& form, int lagCount) {
  auto& s = form.Shell;
  RefreshButtons(form);
  NavigateVertical(form, true);
  s.Buttons[kOwnMenuSlot]->Activate();
  const int active = s.ActiveButton;
  if (active != 0 && active != kOwnMenuSlot && (active < kDisplaySlot || active > kCountrySlot)) {
    CloseOptions(form);
    ShowMainMenu(form, false, 0);
  }
  form.BeginFrame(lagCount, true);
  if (s.CountryEditing) {
    PlaceCountryCursor(form);
    BlinkCursor(form);
  }
  // Drawn also in the tick that closed the screen, like the other sub-screens.
  DrawOptionTexts(form);
  form.EndFrame();
}

void StartCountryEdit(shell::TMForm& form) {
  auto& s = form.Shell;
  PlaceCountryCursor(form);
  s.CursorSprite->Y = kCursorY;
  s.CursorBlink = kBlinkMs;
  s.CountryEditing = true;
}

void StopCountryEdit(shell::TMForm& form) {
  form.Shell.CountryEditing = false;
  form.Shell.CursorSprite->Visible = false;
}

void OptionsClick(shell::TMForm& form) {
  auto& s = form.Shell;
  auto& options = form.Records.Options;
  switch (s.ActiveButton) {
    case kDisplaySlot:
      options.FullScreen = !options.FullScreen;
      form.ApplyDisplayMode();
      PlayPressSound(form);
      break;
    case kMusicSlot: {
      const bool wasOn = options.Music;
      options.Music = !options.Music;
      if (wasOn) form.StopMusic();
      if (options.Music) form.StartMusic();
      PlayPressSound(form);
      break;
    }
    case kSoundSlot:
      options.Sound = !options.Sound;
      // Heard only when sound is now on: the toggle's own confirmation.
      PlayPressSound(form);
      break;
    case kCountrySlot:
      if (s.CountryEditing) {
        StopCountryEdit(form);
      } else {
        StartCountryEdit(form);
        PlayPressSound(form);
      }
      break;
    default:
      break;
  }
  if (s.ActiveButton != kCountrySlot) StopCountryEdit(form);
  if (s.ActiveButton == kOwnMenuSlot) {
    CloseOptions(form);
    ShowMainMenu(form, false, 0);
  }
}

void OptionsKeyPress(shell::TMForm& form, char& key) {
  auto& s = form.Shell;
  if (key == kEnter) form.MDXDrawClick(s.MouseX, s.MouseY);
  if (key == kEsc) {
    s.ActiveButton = kOwnMenuSlot;
    form.MDXDrawClick(s.MouseX, s.MouseY);
    return;
  }
  if (s.ActiveButton == kCountrySlot && s.CountryEditing) CountryKeyPress(form, key);
}

}  // namespace brakkon::screens
