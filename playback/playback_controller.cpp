#include "playback/playback_controller.h"

#include <errors.h>

#include "host/host_state.h"
#include "host/saver_window.h"
#include "playback/error_message.h"
#include "playback/graph_builder.h"
#include "playback/playback_graph.h"
#include "playback/playlist_walk.h"
#include "playback/volume_level.h"
#include "resources/resource.h"
#include "settings/playlist.h"
#include "settings/settings.h"

namespace {

void ShowErrorBox(HWND owner, const char* text, const char* caption) {
    MessageBoxA(owner, text, caption, MB_ICONERROR);
}

void EndProcess(UINT exitCode) { ExitProcess(exitCode); }

void SleepFor(DWORD milliseconds) { Sleep(milliseconds); }

enum class Move { None, Next, Previous };

// How deep PlayItem and the moves are nested right now, and the move asked for meanwhile.
int playbackDepth = 0;
Move pendingMove = Move::None;
// Skips since something last played, and the list's length when the run of skips began.
int consecutiveSkips = 0;
int entriesAtFirstSkip = 0;

void RewindInPlace() {
    if (gGraph.seeking) {
        LONGLONG start = 0;
        CheckResult(gGraph.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                                 AM_SEEKING_NoPositioning));
    }
    if (gGraph.control) {
        CheckResult(gGraph.control->Run());
    }
}

void PlayCurrent(HWND window) {
    StopAndReleaseGraph(window);
    gPlaybackHooks.playItem(window, gPlaylist.current->path);
}

void RunMove(HWND window, Move move) {
    if (gGraph.control) {
        CheckResult(gGraph.control->Stop());
    }
    PlaylistEntry* current = gPlaylist.current;
    bool forwards = move == Move::Next;
    PlaylistEntry* neighbour = nullptr;
    if (current != nullptr) {
        neighbour = forwards ? current->next : current->prev;
    }
    bool neighbourExists = neighbour != nullptr && neighbour->path[0] != '\0';
    bool onlyEntry = current == (forwards ? gPlaylist.first : gPlaylist.last);
    switch (DecideWalk(neighbourExists, onlyEntry, gSettings.Repeat)) {
    case WalkStep::PlayNeighbour:
        gPlaylist.current = neighbour;
        PlayCurrent(window);
        break;
    case WalkStep::StopAtEnd:
        StopAndReleaseGraph(window);
        break;
    case WalkStep::RewindInPlace:
        if (gGraph.quickTimeItem) {
            // A movie is disposed of at its end: it plays again from its start.
            PlayCurrent(window);
        } else {
            RewindInPlace();
        }
        break;
    case WalkStep::WrapAround: {
        PlaylistEntry* other = forwards ? gPlaylist.first : gPlaylist.last;
        if (other == nullptr) {
            StopAndReleaseGraph(window);
            break;
        }
        gPlaylist.current = other;
        StopAndReleaseGraph(window);
        if (gSettings.Random == 1) {
            gPlaybackHooks.shufflePlaylist();
        }
        gPlaybackHooks.playItem(window, gPlaylist.current->path);
        break;
    }
    }
}

void RequestMove(HWND window, Move move) {
    if (playbackDepth > 0) {
        pendingMove = move;
        return;
    }
    BeginPlaybackCall();
    RunMove(window, move);
    EndPlaybackCall(window);
}

} // namespace

const PlaybackHooks kDefaultPlaybackHooks = {PlayItem, ShufflePlaylist, ShowErrorBox, EndProcess,
                                             SleepFor};
PlaybackHooks gPlaybackHooks = kDefaultPlaybackHooks;

void BeginPlaybackCall() { ++playbackDepth; }

void EndPlaybackCall(HWND window) {
    if (playbackDepth == 1) {
        while (pendingMove != Move::None) {
            Move move = pendingMove;
            pendingMove = Move::None;
            RunMove(window, move);
        }
    }
    --playbackDepth;
}

void PlayNextItem(HWND window) {
    consecutiveSkips = 0;
    RequestMove(window, Move::Next);
}

void PlayPreviousItem(HWND window) {
    consecutiveSkips = 0;
    RequestMove(window, Move::Previous);
}

void SkipUnplayableItem(HWND window) {
    if (consecutiveSkips == 0) {
        entriesAtFirstSkip = CountPlaylistEntries(gPlaylist);
    }
    ++consecutiveSkips;
    if (SkipsCoverWholeList(consecutiveSkips, entriesAtFirstSkip)) {
        // A whole pass found nothing to play: end as a non-repeating list ends.
        consecutiveSkips = 0;
        pendingMove = Move::None;
        StopAndReleaseGraph(window);
        PaintBlack(window);
        return;
    }
    RequestMove(window, Move::Next);
}

void NoteItemPlaying() { consecutiveSkips = 0; }

void StopAndReleaseGraph(HWND window) {
    if (gGraph.graphActive != 1) {
        return;
    }
    if (gGraph.control) {
        OAFilterState state = State_Stopped;
        CheckResult(gGraph.control->GetState(1000, &state));
        if (state == State_Paused || state == State_Running) {
            CheckResult(gGraph.control->Stop());
        }
    }
    if (!gGraph.vmr9InUse) {
        if (gGraph.videoWindow) {
            gGraph.videoWindow->put_Owner(0);
        }
        SafeRelease(gGraph.videoWindow);
        SafeRelease(gGraph.basicVideo);
    }
    SafeRelease(gGraph.graph2);
    SafeRelease(gGraph.control);
    SafeRelease(gGraph.audio);
    SafeRelease(gGraph.seeking);
    SafeRelease(gGraph.events);
    SafeRelease(gGraph.source);
    SafeRelease(gGraph.fileSource);
    SafeRelease(gGraph.asfReader);
    SafeRelease(gGraph.vmrConfig);
    SafeRelease(gGraph.vmr9);
    SafeRelease(gGraph.windowless);
    SafeRelease(gGraph.audioRenderer);
    SafeRelease(gGraph.graph);
    if (gGraph.comInitialised) {
        CoUninitialize();
        gGraph.comInitialised = 0;
    }
    PaintBlack(window);
}

void ChangeVolume(int step) {
    bool usable = gGraph.audio != nullptr && !windowDestroyed;
    if (gSettings.Mute == 1) {
        if (usable) {
            CheckResult(gGraph.audio->put_Volume(kSilentVolume));
        }
        return;
    }
    int level = SteppedVolume(gSettings.Volume, step);
    if (usable) {
        CheckResult(gGraph.audio->put_Volume(level));
        gSettings.Volume = level;
    }
}

void CheckResult(HRESULT result) { CheckResult(result, nullptr); }

void CheckResult(HRESULT result, const char* firstLine) {
    if (result >= 0) {
        return;
    }
    char errorText[kErrorTextSize] = {};
    if (AMGetErrorTextA(result, errorText, kErrorTextSize) == 0) {
        errorText[0] = '\0';
    }
    errorText[kErrorTextSize - 1] = '\0';
    char message[kErrorMessageSize];
    ComposeErrorMessage(result, errorText, firstLine, message, sizeof(message));
    if (!gHost.previewMode) {
        char caption[kSectionNameSize];
        lstrcpynA(caption, gSettings.sectionName, sizeof(caption));
        if (caption[0] == '\0') {
            LoadStringA(gHost.instance, IDS_SECTION_NAME, caption, sizeof(caption));
        }
        ShowCursor(TRUE);
        gPlaybackHooks.showErrorBox(gHost.saverWindow, message, caption);
    }
    gPlaybackHooks.endProcess(1);
}
