#include "playback/playback_controller.h"

#include <algorithm>

#include "movie_runtime/mf_library.h"
#include "playback/error_report.h"
#include "playback/playlist_walk.h"
#include "playback/resume_run.h"
#include "playback/url_check.h"
#include "playback/video_geometry.h"
#include "quicktime/qt_runtime.h"
#include "settings/path_text.h"
#include "settings/playlist.h"
#include "settings/settings.h"

PlayerChooser gChoosePlayer = ChooseEnginePlayer;

namespace {

// Some WinINet builds ignore their own time-outs: a URL whose check has not answered within
// a connection and a first answer's time-outs is passed over.
constexpr UINT kUrlGiveUpMs = 8000;
constexpr UINT_PTR ID_URL_TIMER = 1029;
// A cut waits for the next item's first picture, looking every few milliseconds; a picture
// that has not come by the bound is not waited for any longer.
constexpr UINT_PTR ID_CUT_TIMER = 1033;
constexpr UINT kCutPollMs = 10;
constexpr DWORD kCutBoundMs = 3000;
constexpr int kMostScreens = 16;

Screen* screens[kMostScreens];
int screenCount = 0;
bool resting = false;
LPARAM lastUrlTicket = 0;

// A path past MAX_PATH that the folder walk found, and a file that another program has open,
// even for writing, are there to be played.
bool FileExists(const wchar_t* path) {
    wchar_t query[kQueryPathSize];
    if (!FormQueryPath(path, query, kQueryPathSize)) {
        return false;
    }
    HANDLE file = CreateFileW(query, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

bool HasEntry(const PlaylistEntry* entry) { return entry != nullptr && entry->path[0] != L'\0'; }

// What trying the screen's entry came to.
enum class Attempt { Playing, Waiting, Unplayable };

void OpenAhead(Screen& s);

void CloseItem(Screen& s) {
    if (s.urlTicket != 0) {
        KillTimer(s.window, ID_URL_TIMER);
        s.urlTicket = 0;
    }
    if (s.player != nullptr) {
        Player* player = s.player;
        s.player = nullptr;
        if (s.started) {
            NoteItemLeft(s.path, *player);
        }
        s.started = false;
        player->Close();
    }
}

// The title names the picture that shows: the item's once the one before has gone.
void ShowTitle(Screen& s) {
    // The QuickTime player titles its movies itself.
    if (s.player != nullptr && s.started && s.held == nullptr && s.player != &s.quickTime) {
        SetWindowTextW(s.window, ItemTitleFromPath(s.path));
    }
}

// The item before, holding its picture for the cut, goes.
void CloseHeld(Screen& s) {
    KillTimer(s.window, ID_CUT_TIMER);
    if (s.held != nullptr) {
        Player* held = s.held;
        s.held = nullptr;
        // The new picture is drawn where the held one stood before the held item is closed,
        // which can take a while.
        held->Hide();
        HWND picture = s.player != nullptr ? s.player->PictureWindow() : nullptr;
        if (picture != nullptr && !windowDestroyed) {
            RedrawWindow(picture, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
        held->Close();
        ShowTitle(s);
    }
    if (s.player != nullptr) {
        s.player->beneath = nullptr;
    }
}

// The playing item leaves. Where its picture has a window of its own, it holds its last picture
// there, silent, while the next item opens beneath it; otherwise it closes at once and the
// screen goes black.
void LeaveItem(Screen& s) {
    CloseHeld(s);
    Player* leaving = s.player;
    HWND picture = leaving != nullptr ? leaving->PictureWindow() : nullptr;
    if (!s.started || picture == nullptr || !IsWindowVisible(picture) || windowDestroyed) {
        StopAndReleaseGraph(s);
        return;
    }
    NoteItemLeft(s.path, *leaving);
    s.player = nullptr;
    s.started = false;
    s.held = leaving;
    leaving->Hold();
}

// The cut: the held picture goes once the new item's first one shows.
void Settle(Screen& s) {
    if (s.held != nullptr && s.player != nullptr && !s.player->Showing() &&
        GetTickCount() - s.cutBegun <= kCutBoundMs) {
        SetTimer(s.window, ID_CUT_TIMER, kCutPollMs, nullptr);
        return;
    }
    CloseHeld(s);
    // Its player is free again: the item after this one is opened in it.
    OpenAhead(s);
}

// The item is open: its picture placed, its title shown, and off it goes.
void Begin(Screen& s) {
    s.player->beneath = s.held != nullptr ? s.held->PictureWindow() : nullptr;
    s.cutBegun = GetTickCount();
    LayoutVideo(s);
    s.player->StartAt(ResumeItemStart(s.path, *s.player));
    s.started = true;
    ShowTitle(s);
    if (resting) {
        s.player->Rest();
    }
    s.consecutiveSkips = 0;
    Settle(s);
}

Attempt OpenWithEngine(Screen& s) {
    Player* player = gChoosePlayer(s, ClassifyMedia(s.path), s.path);
    if (player == nullptr) {
        return Attempt::Unplayable;
    }
    if (player == s.held) {
        // Its engine has no second player: the held picture goes first.
        CloseHeld(s);
        PaintBlack(s.window);
    }
    s.player = player;
    switch (player->Open(s.window, s.path)) {
    case PlayerOpen::Ready:
        Begin(s);
        return Attempt::Playing;
    case PlayerOpen::Opening:
        return Attempt::Waiting;
    case PlayerOpen::Unplayable:
        break;
    }
    CloseItem(s);
    return Attempt::Unplayable;
}

bool TakeAhead(Screen& s, Attempt* attempt);

Attempt TryEntry(Screen& s) {
    // A private copy: moving on may deal the playlist's paths anew under the entry.
    lstrcpynW(s.path, s.entry->path, kPathBufferSize);
    Attempt ahead = Attempt::Unplayable;
    if (TakeAhead(s, &ahead)) {
        return ahead;
    }
    if (FileExists(s.path)) {
        return OpenWithEngine(s);
    }
    if (!IsCheckableUrl(s.path)) {
        return Attempt::Unplayable;
    }
    LPARAM ticket = ++lastUrlTicket;
    if (!StartUrlCheck(s.window, s.path, ticket)) {
        return Attempt::Unplayable;
    }
    s.urlTicket = ticket;
    SetTimer(s.window, ID_URL_TIMER, kUrlGiveUpMs, nullptr);
    return Attempt::Waiting;
}

// Takes the step of a move from the screen's entry; false when the walk stops there (the end of
// a non-repeating list, or nothing at the other end). Sets *again when the entry itself is to
// play again.
bool StepEntry(Screen& s, bool forwards, bool* again) {
    *again = false;
    PlaylistEntry* current = s.entry;
    PlaylistEntry* neighbour = nullptr;
    if (current != nullptr) {
        neighbour = forwards ? current->next : current->prev;
    }
    bool onlyEntry = current == (forwards ? gPlaylist.first : gPlaylist.last);
    switch (DecideWalk(HasEntry(neighbour), onlyEntry, gSettings.Repeat)) {
    case WalkStep::PlayNeighbour:
        s.entry = neighbour;
        return true;
    case WalkStep::StopAtEnd:
        return false;
    case WalkStep::RewindInPlace:
        *again = true;
        return true;
    case WalkStep::WrapAround: {
        PlaylistEntry* other = forwards ? gPlaylist.first : gPlaylist.last;
        if (other == nullptr) {
            return false;
        }
        s.entry = other;
        if (gSettings.Random == 1) {
            gPlaybackHooks.shufflePlaylist();
        }
        return true;
    }
    }
    return false;
}

// Whether another screen has the entry.
bool ShownElsewhere(const Screen& s, const PlaylistEntry* entry) {
    for (int i = 0; i < screenCount; i++) {
        if (screens[i] != &s && screens[i]->entry == entry) {
            return true;
        }
    }
    return false;
}

// The item opened ahead is let go: its turn did not come as it was foreseen.
void DropAhead(Screen& s) {
    Player* player = s.ahead;
    s.ahead = nullptr;
    s.aheadEntry = nullptr;
    s.aheadPath[0] = L'\0';
    s.aheadOpen = false;
    if (player != nullptr) {
        player->Close();
    }
}

// While an item plays, the entry after it is opened in a free player and made ready to start,
// where the walk's next step is plain (the neighbour, a file there is), the screen walks by
// itself, and the player's opening waits for nothing on this thread (Media Foundation's); the
// other engines open at the turn, under the held picture.
void OpenAhead(Screen& s) {
    bool ownWalk = !(s.secondary && MonitorsMode() == kMonitorsSame);
    if (s.aheadEntry != nullptr || s.held != nullptr || s.player == nullptr || !s.started ||
        resting || !ownWalk || !HasEntry(s.entry)) {
        return;
    }
    PlaylistEntry* after = s.entry->next;
    if (!HasEntry(after) || (MonitorsMode() == kMonitorsEach && ShownElsewhere(s, after)) ||
        ClassifyMedia(after->path) != QuickTimeFile || !FileExists(after->path)) {
        return;
    }
    Player* player = gChoosePlayer(s, QuickTimeFile, after->path);
    if (player == nullptr || player == s.player || !player->OpensAhead()) {
        return;
    }
    s.aheadEntry = after;
    lstrcpynW(s.aheadPath, after->path, kPathBufferSize);
    s.ahead = player;
    PlayerOpen opened = player->Open(s.window, s.aheadPath);
    if (opened == PlayerOpen::Unplayable) {
        s.ahead = nullptr; // passed over at its turn
        player->Close();
    } else if (opened == PlayerOpen::Ready) {
        s.aheadOpen = true;
        PlaceAhead(s, *player);
        player->Cue();
    }
}

// The screen's entry is the one opened ahead: its player takes over, ready or still opening, or
// it is passed over when its opening failed.
bool TakeAhead(Screen& s, Attempt* attempt) {
    bool foreseen = s.aheadEntry != nullptr && s.aheadEntry == s.entry &&
                    lstrcmpW(s.aheadPath, s.path) == 0;
    if (!foreseen) {
        DropAhead(s);
        return false;
    }
    Player* player = s.ahead;
    bool open = s.aheadOpen;
    s.ahead = nullptr;
    DropAhead(s);
    if (player == nullptr) {
        *attempt = Attempt::Unplayable;
        return true;
    }
    s.player = player;
    if (open) {
        Begin(s);
        *attempt = Attempt::Playing;
    } else {
        *attempt = Attempt::Waiting;
    }
    return true;
}

// A step of the screen's own walk. With an item on each monitor it goes past the entries other
// monitors show, where there is another one to take.
bool StepOwnEntry(Screen& s, bool forwards, bool* again) {
    if (!StepEntry(s, forwards, again)) {
        return false;
    }
    if (MonitorsMode() != kMonitorsEach || *again || !ShownElsewhere(s, s.entry)) {
        return true;
    }
    PlaylistEntry* first = s.entry;
    int entries = CountPlaylistEntries(gPlaylist);
    for (int i = 0; i < entries && ShownElsewhere(s, s.entry); i++) {
        bool rewind = false;
        if (!StepEntry(s, forwards, &rewind) || rewind) {
            break;
        }
    }
    if (ShownElsewhere(s, s.entry)) {
        s.entry = first; // every entry is shown already: this one twice
    }
    return true;
}

// Passes over the screen's entry, which cannot play. False once a whole pass found nothing to
// play, or the list ended: the screen then stays black.
bool PassOver(Screen& s) {
    if (s.consecutiveSkips == 0) {
        s.entriesAtFirstSkip = CountPlaylistEntries(gPlaylist);
    }
    ++s.consecutiveSkips;
    if (SkipsCoverWholeList(s.consecutiveSkips, s.entriesAtFirstSkip)) {
        s.consecutiveSkips = 0;
        DropAhead(s);
        StopAndReleaseGraph(s);
        return false;
    }
    bool again = false;
    if (!StepOwnEntry(s, true, &again)) {
        DropAhead(s);
        StopAndReleaseGraph(s);
        return false;
    }
    return true;
}

// Tries entries from the screen's one until one plays or is being opened, without recursion.
void Continue(Screen& s, Attempt attempt) {
    while (attempt == Attempt::Unplayable) {
        CloseItem(s);
        if (!PassOver(s)) {
            return;
        }
        attempt = TryEntry(s);
    }
}

void Move(Screen& s, bool forwards) {
    s.consecutiveSkips = 0;
    bool again = false;
    if (!StepOwnEntry(s, forwards, &again)) {
        DropAhead(s);
        StopAndReleaseGraph(s);
        return;
    }
    if (again && s.player != nullptr) {
        // A stopped graph goes back to its start without a flush.
        if (s.player == &s.directShow || s.player == &s.directShow2) {
            static_cast<DirectShowPlayer*>(s.player)->Stop();
        }
        if (s.player->Rewind()) {
            return;
        }
    }
    PlayItem(s);
}

// The same item on every monitor: the others take the primary's entry, or play it again.
void Follow(const Screen& primary) {
    for (int i = 0; i < screenCount; i++) {
        Screen& s = *screens[i];
        if (&s == &primary) {
            continue;
        }
        if (s.entry == primary.entry && s.player != nullptr && s.player->Rewind()) {
            continue;
        }
        s.entry = primary.entry;
        PlayItem(s);
    }
}

void ActOnNews(Screen& s, Player* player, PlayerNews news) {
    if (news != PlayerNews::None && player == s.ahead && player != s.player) {
        if (news == PlayerNews::Ready) {
            s.aheadOpen = true;
            PlaceAhead(s, *player);
            player->Cue();
        } else if (news != PlayerNews::Ended) {
            s.ahead = nullptr; // passed over at its turn
            player->Close();
        }
        return;
    }
    if (news == PlayerNews::None || player != s.player) {
        return;
    }
    switch (news) {
    case PlayerNews::Ready:
        Begin(s);
        break;
    case PlayerNews::Ended:
        // With the same item everywhere the primary's end moves every monitor on; the others
        // keep their last picture until then.
        if (MonitorsMode() == kMonitorsSame) {
            if (!s.secondary) {
                MoveScreens(true);
            }
        } else {
            PlayNextItem(s);
        }
        break;
    case PlayerNews::Failed:
        Continue(s, Attempt::Unplayable);
        break;
    case PlayerNews::Aborted:
        DestroyWindow(s.window);
        break;
    case PlayerNews::None:
        break;
    }
}

void OnUrlChecked(Screen& s, bool readable) {
    KillTimer(s.window, ID_URL_TIMER);
    s.urlTicket = 0;
    Continue(s, readable ? OpenWithEngine(s) : Attempt::Unplayable);
}

} // namespace

void PaintBlack(HWND window) {
    HDC dc = GetDC(window);
    RECT rc;
    GetClientRect(window, &rc);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

// The engine's player that is not holding the item before, nor playing or opening another.
Player* FreePlayer(const Screen& s, Player* first, Player* second) {
    return s.held == first || s.player == first || s.ahead == first ? second : first;
}

Player* ChooseEnginePlayer(Screen& s, MediaKind kind, const wchar_t* path) {
    if (kind != QuickTimeFile) {
        return FreePlayer(s, &s.directShow, &s.directShow2);
    }
    // Apple's runtime takes a file by its short name; what it cannot be given goes to Media
    // Foundation.
    // Its runtime plays one movie at a time: the primary's.
    if (QuickTimeAvailable == 1 && !s.secondary && QtCanOpen(path)) {
        return &s.quickTime;
    }
    return MovieRuntimeAvailable() ? FreePlayer(s, &s.movie, &s.movie2) : nullptr;
}

Screen* AddScreen(HWND window, const RECT& monitor, bool preview) {
    if (screenCount >= kMostScreens) {
        return nullptr;
    }
    Screen* s = new Screen();
    s->window = window;
    s->monitor = monitor;
    s->preview = preview;
    s->entry = gPlaylist.first;
    screens[screenCount++] = s;
    return s;
}

Screen* AddSecondaryScreen(HWND window, const RECT& monitor) {
    Screen* s = AddScreen(window, monitor, false);
    if (s != nullptr) {
        s->secondary = true;
        s->directShow.silent = s->directShow2.silent = true;
        s->movie.silent = s->movie2.silent = s->quickTime.silent = true;
    }
    return s;
}

void RemoveScreen(Screen* screen) {
    for (int i = 0; i < screenCount; i++) {
        if (screens[i] == screen) {
            // Unlisted first: closing its players lets messages through, and what they start
            // must no longer find this screen.
            for (int j = i + 1; j < screenCount; j++) {
                screens[j - 1] = screens[j];
            }
            screens[--screenCount] = nullptr;
            CloseHeld(*screen);
            CloseItem(*screen);
            DropAhead(*screen);
            screen->movie.Shutdown();
            screen->movie2.Shutdown();
            delete screen;
            return;
        }
    }
}

Screen* PrimaryScreen() { return screenCount > 0 ? screens[0] : nullptr; }

int MonitorsMode() {
    int mode = gSettings.Monitors;
    return mode >= kMonitorsPrimary && mode <= kMonitorsSpan ? mode : kMonitorsPrimary;
}

void StartScreens() {
    Screen* primary = PrimaryScreen();
    if (primary == nullptr) {
        return;
    }
    // Each monitor k starts at the k-th entry after the primary's, wrapping round a short list.
    PlaylistEntry* entry = primary->entry;
    for (int i = 1; i < screenCount && MonitorsMode() == kMonitorsEach; i++) {
        entry = HasEntry(entry) && HasEntry(entry->next) ? entry->next : gPlaylist.first;
        screens[i]->entry = entry;
    }
    PlayItem(*primary);
    if (MonitorsMode() == kMonitorsSame) {
        Follow(*primary);
        return;
    }
    for (int i = 1; i < screenCount; i++) {
        PlayItem(*screens[i]);
    }
}

void MoveScreens(bool forwards) {
    Screen* primary = PrimaryScreen();
    if (primary == nullptr) {
        return;
    }
    Move(*primary, forwards);
    if (MonitorsMode() == kMonitorsSame) {
        Follow(*primary);
        return;
    }
    for (int i = 1; i < screenCount; i++) {
        Move(*screens[i], forwards);
    }
}

void SeekScreens(bool forwards) {
    // The same item everywhere is sought everywhere, so that the monitors stay together.
    for (int i = 0; i < screenCount; i++) {
        if (i == 0 || MonitorsMode() == kMonitorsSame) {
            SeekItem(*screens[i], forwards);
        }
    }
}

void EndSeekScreens() {
    for (int i = 0; i < screenCount; i++) {
        if (i == 0 || MonitorsMode() == kMonitorsSame) {
            EndSeek(*screens[i]);
        }
    }
}

Screen* ScreenForWindow(HWND window) {
    for (int i = 0; i < screenCount; i++) {
        if (screens[i]->window == window) {
            return screens[i];
        }
    }
    return nullptr;
}

void HideScreens() {
    for (int i = 0; i < screenCount; i++) {
        Screen& s = *screens[i];
        for (Player* player : {(Player*)&s.directShow, (Player*)&s.directShow2,
                               (Player*)&s.movie, (Player*)&s.movie2}) {
            player->Hide();
        }
        ShowWindow(s.window, SW_HIDE);
    }
}

void CloseScreens() {
    for (int i = 0; i < screenCount; i++) {
        CloseHeld(*screens[i]);
        CloseItem(*screens[i]);
        DropAhead(*screens[i]);
        screens[i]->movie.Shutdown();
        screens[i]->movie2.Shutdown();
    }
    for (int i = 0; i < screenCount; i++) {
        delete screens[i];
        screens[i] = nullptr;
    }
    screenCount = 0;
    resting = false;
}

void PlayItem(Screen& s) {
    LeaveItem(s);
    if (!HasEntry(s.entry)) {
        return;
    }
    Continue(s, TryEntry(s));
}

void PlayNextItem(Screen& s) { Move(s, true); }

void PlayPreviousItem(Screen& s) { Move(s, false); }

void StopAndReleaseGraph(Screen& s) {
    CloseHeld(s);
    CloseItem(s);
    if (!windowDestroyed) {
        PaintBlack(s.window);
    }
}

void SeekItem(Screen& s, bool forwards) {
    if (s.player != nullptr) {
        s.player->SeekStep(forwards);
    }
}

void EndSeek(Screen& s) {
    if (s.player != nullptr) {
        s.player->EndSeek();
    }
}

void ChangeVolume(Screen& s, int step, bool unmuted) {
    if (s.player != nullptr) {
        s.player->ChangeVolume(step);
    }
    // The item opened ahead was opened muted, with no sound stream.
    if (unmuted && s.aheadEntry != nullptr) {
        DropAhead(s);
        OpenAhead(s);
    }
}

void RestScreens() {
    if (resting) {
        return;
    }
    resting = true;
    for (int i = 0; i < screenCount; i++) {
        CloseHeld(*screens[i]);
        DropAhead(*screens[i]);
        if (screens[i]->player != nullptr) {
            screens[i]->player->Rest();
        }
    }
}

void WakeScreens() {
    if (!resting) {
        return;
    }
    resting = false;
    for (int i = 0; i < screenCount; i++) {
        if (screens[i]->player != nullptr) {
            screens[i]->player->Wake();
        }
    }
}

bool ScreensResting() { return resting; }

bool HandlePlaybackMessage(Screen& s, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UrlCheckedMessage) {
        if (s.urlTicket != 0 && lParam == s.urlTicket) {
            OnUrlChecked(s, wParam == 1);
        }
        return true;
    }
    if (message == WM_TIMER && wParam == ID_CUT_TIMER) {
        Settle(s);
        return true;
    }
    if (message == WM_TIMER && wParam == ID_URL_TIMER) {
        KillTimer(s.window, ID_URL_TIMER);
        if (s.urlTicket != 0) {
            OnUrlChecked(s, false);
        }
        return true;
    }
    bool players = message == GraphEventMessage || message == MovieEventMessage ||
                   (message == WM_TIMER &&
                    (wParam == ID_MOVIE_TIMER || wParam == ID_MOVIE_CLOSE_TIMER ||
                     wParam == ID_MOVIE_TIMER2 || wParam == ID_MOVIE_CLOSE_TIMER2 ||
                     wParam == ID_QUICKTIME_TIMER));
    if (!players) {
        return false;
    }
    // Each player hears it once: the item's player first, then the engines' own, which may have
    // work of their own in the background (a movie player closing sessions). What one says
    // counts only while it plays the screen's item.
    Player* hearing[] = {s.player, s.ahead,   &s.directShow, &s.directShow2,
                         &s.movie,  &s.movie2, &s.quickTime};
    const size_t count = sizeof(hearing) / sizeof(hearing[0]);
    for (size_t i = 0; i < count; ++i) {
        Player* player = hearing[i];
        if (player == nullptr || std::find(hearing, hearing + i, player) != hearing + i) {
            continue;
        }
        ActOnNews(s, player, player->HandleEvent(message, wParam, lParam));
        if (windowDestroyed || ScreenForWindow(s.window) != &s) {
            break;
        }
    }
    return true;
}
