#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "game_finder/game_finder.h"
#include "options/control_ids.h"
#include "options/settings.h"
#include "seam/dialog_controls.h"

class RegistryReader;

// The configuration dialog (resource 2003): its controls and its procedure,
// written against DialogControls so that it runs under a fake as well as on Windows.

inline constexpr int configureDialogId = 2003;
// The buttons and the game row's own controls; each option's control is its row's in the option table.
namespace control {
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
inline constexpr int gameSource = IDC_GAME_SOURCE;      // "Found through Steam", "Not found"
inline constexpr int browseGame = IDC_BROWSE_GAME;      // "Browse..."
inline constexpr int findGame = IDC_FIND_GAME;        // "Find automatically"
}  // namespace control


// Where the game is, as the dialog asks it: the finder over the system's registry,
// or a fake.
class GameLookup {
public:
    virtual ~GameLookup() = default;
    // The folder the saver would use with `chosen` (empty: none chosen) as game_dir.
    virtual std::optional<FoundGame> find(const std::string& chosen) = 0;
    // found, or why `folder` is no game folder.
    virtual LookOutcome check(const std::string& folder) = 0;
};

// The game finder itself, reading `registry` (null on a platform without one).
class FinderGameLookup : public GameLookup {
public:
    explicit FinderGameLookup(RegistryReader* registry) : registry_(registry) {}
    std::optional<FoundGame> find(const std::string& chosen) override;
    LookOutcome check(const std::string& folder) override;

private:
    RegistryReader* registry_;
};

// Appends the `count` texts and selects `index`, clamped into the list.
void fillChoiceBox(DialogControls& dialog, int control, const char* const* texts, int count, int32_t index);
// The selected index; 0 when nothing is selected.
int32_t readChoiceBox(DialogControls& dialog, int control);
void setCheckBox(DialogControls& dialog, int control, uint8_t flag);
// 1 only for a ticked box; clear and indeterminate both give 0.
uint8_t readCheckBox(DialogControls& dialog, int control);

// What the game row says of a folder refused, as the message box shows it.
std::string refusalText(const std::string& folder, LookOutcome outcome);

// True when the message was handled. OK reads the controls into `settings` and
// saves them; Cancel saves nothing. The game row's choice lives in
// settings.game_dir from the moment it is made, and is stored only by OK.
bool configureDialogProc(DialogControls& dialog, GameLookup& game, OptionStore& store, Settings& settings,
                         uint32_t message, uintptr_t wParam);
