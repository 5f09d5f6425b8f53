// Plays movies through one Media Foundation media session per screen, kept from item to item:
// each item's topology is set on the same session, with the same enhanced video renderer
// (drawing into a window of the session's own at the destination rectangle) and streaming
// audio renderer. Nothing here waits: the source resolver and the sessions post their answers
// to the screen's window as MovieEventMessage, and a timer there bounds every answer awaited.
// Where a session that has played does not start again (Wine's), each topology gets a session
// of its own, and the one before is closed in the background.
#pragma once

#include <windows.h>

#include "movie_runtime/track_header.h"
#include "playback/player.h"
#include "playback/video_rect.h"

#include <vector>

struct IMFAudioStreamVolume;
struct IMFMediaSource;
struct IMFPresentationClock;
struct IMFPresentationDescriptor;
struct IMFVideoDisplayControl;
class MovieSession;
class ResolveRequest;

// Sessions let go because they would not close: their threads are stuck, and ending the
// process in the ordinary way could wait on them.
extern int gAbandonedSessions;

class MoviePlayer : public Player {
public:
    // The timers it sets on the screen's window: a screen's two players need their own.
    explicit MoviePlayer(UINT_PTR timer = ID_MOVIE_TIMER, UINT_PTR closeTimer = ID_MOVIE_CLOSE_TIMER)
        : timer_(timer), closeTimer_(closeTimer) {}
    ~MoviePlayer() override;
    MoviePlayer(const MoviePlayer&) = delete;
    MoviePlayer& operator=(const MoviePlayer&) = delete;

    // Opening: the source is a local path (long paths too) or an http(s) URL; Ready or Failed
    // follows as news. Close ends the item and keeps the session for the next one.
    PlayerOpen Open(HWND window, const wchar_t* path) override;
    void Close() override;
    // The session's end: it is closed (with a bound) and shut down, with its renderers.
    void Shutdown();
    void Hide() override;

    VideoSize Size() override;
    void Place(const RECT& destination, const RECT& visible) override;
    bool Paint(HDC, RECT*) override { return false; }
    HWND PictureWindow() const override { return VideoWindow(); }
    void RepaintPicture(HWND, HDC) override;
    void Hold() override;
    bool Showing() override;

    // The source is asked for, and the item's topology set on a session while it waits for its
    // turn, without waiting here.
    bool OpensAhead() const override { return true; }
    void Cue() override;
    void StartAt(LONGLONG position) override;
    bool Rewind() override { return false; }

    void SeekStep(bool forwards) override;
    void EndSeek() override;

    void ChangeVolume(int step) override;
    // Rest lets the session go, with its sound stream; Wake opens the item again where it was.
    void Rest() override;
    void Wake() override;

    PlayerNews HandleEvent(UINT message, WPARAM wParam, LPARAM lParam) override;

    LONGLONG Position() override;
    LONGLONG Duration() override { return duration_; }
    HWND VideoWindow() const;

private:
    enum class State {
        Closed,
        Resolving, // the source is being made
        Ready,     // the source is open: it waits to be placed and started
        Resolved,  // its topology is set on the session
        Cued,      // its topology is ready: it starts when asked
        Starting,
        Playing,
        Ended,
        Failed,
        Resting, // let go of its session until it wakes at position_
    };

    HRESULT BeginResolve();
    void ResolveOnceClosed();
    PlayerNews TakeSource();
    PlayerNews OpenOnSession();
    HRESULT SetItemTopology();
    void ReadStreams();
    void TakeServices();
    void ShowPicture();
    void ReleaseServices();
    void StartSession(LONGLONG position);
    // afterClose: the source is asked for once the session let go has closed.
    void Reopen(LONGLONG position, bool afterClose = false);
    void RetireSession();
    void RetireSource();
    void ShutDownRetired();
    void CollectClosedSessions();
    void TearDown(MovieSession* session);
    bool Settling() const { return !closing_.empty() || !teardowns_.empty(); }
    void ApplyVolume();
    void Await(DWORD milliseconds);
    PlayerNews OnTimer();
    PlayerNews OnSessionEvent(DWORD type, HRESULT status, UINT32 topologyStatus);
    PlayerNews Fail();
    PlayerNews CheckPresentationEnd();
    bool StartedWhereAsked();

    // The screen's window, and the timers of this player there.
    HWND owner_ = nullptr;
    UINT_PTR timer_;
    UINT_PTR closeTimer_;
    bool held_ = false; // silent, holding its last picture
    // The session that plays, with its renderers and picture window, and those being closed.
    MovieSession* live_ = nullptr;
    std::vector<MovieSession*> closing_;
    struct Teardown {
        HANDLE thread; // shuts a closed session down
        HWND window;   // its picture window, spare once that is done
    };
    std::vector<Teardown> teardowns_;
    std::vector<HWND> spareWindows_; // picture windows of sessions that have gone
    IMFVideoDisplayControl* display_ = nullptr;
    IMFAudioStreamVolume* volume_ = nullptr;
    IMFPresentationClock* clock_ = nullptr;

    // The item.
    WCHAR* source_ = nullptr;
    bool isUrl_ = false;
    ResolveRequest* resolve_ = nullptr;
    bool resolvePending_ = false; // asked for once the sessions let go have closed
    DWORD reopenedAt_ = 0;
    IMFMediaSource* mediaSource_ = nullptr;
    IMFPresentationDescriptor* presentation_ = nullptr;
    IMFMediaSource* retired_ = nullptr; // the last item's source, shut down once it is let go
    bool enumerateSourceTypes_ = false;
    // The picture's turn: reported on its media type (and then turned in the topology), or
    // read from the file's track header with the pixel shape.
    bool reportedTurn_ = false;
    TrackShape fileShape_ = {0, 0, 0};
    bool turningTopology_ = false; // the topology set last turns the picture
    bool turnRefused_ = false;     // this item plays unturned: turning it failed
    int topologiesUnanswered_ = 0; // set on the live session, not yet answered by it
    State state_ = State::Closed;
    SIZE natural_ = {0, 0};
    SIZE videoSize_ = {0, 0}; // the size last given to the renderer
    PictureFraction videoPart_ = kWholePicture; // and the part of the picture
    RECT destination_ = {0, 0, 0, 0}; // the part of the destination that shows
    PictureFraction picturePart_ = kWholePicture; // the part of the picture drawn there
    bool hasVideo_ = false;
    bool hasAudio_ = false;
    bool soundPlayed_ = false; // the sound stream is in the topology: not muted
    LONGLONG duration_ = 0;
    LONGLONG position_ = 0;     // where a start begins, or where a seek aims
    LONGLONG startAt_ = -1;     // where the item starts once its topology is ready; -1 until
                                // it was asked to start
    bool cueing_ = false;       // made ready ahead of its turn: not started until asked
    bool seeking_ = false;      // a seek key is held
    bool restarting_ = false;   // the start awaited is that of a session that has played
    bool presentationEnded_ = false; // the source is done: the clock tells when the rest is
    LONGLONG lastClock_ = -1;
    long long seekStep_ = 2;
    long long seekRepeatCount_ = 0;
};
