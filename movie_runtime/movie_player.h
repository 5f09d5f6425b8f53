// One movie played through a Media Foundation media session: the enhanced video renderer
// draws into a window of the player's own at the destination rectangle, the streaming audio
// renderer plays the sound. Every wait for the session is bounded, so a source that never
// answers ends the movie instead of holding the saver.
#pragma once

#include <windows.h>

struct IMFMediaSource;
struct IMFMediaSession;
struct IMFPresentationDescriptor;
struct IMFPresentationClock;
struct IMFVideoDisplayControl;
struct IMFAudioStreamVolume;
struct IMFTopology;

// Sessions let go because they would not close: their threads are stuck, and ending the
// process in the ordinary way could wait on them.
extern int gAbandonedSessions;

class MoviePlayer {
public:
    MoviePlayer() = default;
    ~MoviePlayer();
    MoviePlayer(const MoviePlayer&) = delete;
    MoviePlayer& operator=(const MoviePlayer&) = delete;

    // Opening and closing. The source is a local path (long paths too) or an http(s) URL; the
    // picture goes into a window owned by owner (a child of it when owner is a child window).
    HRESULT Open(const char* source, HWND owner);
    void Close();

    // Video: the natural size (0 x 0 without a picture), and the destination rectangle in the
    // owner's client coordinates.
    SIZE NaturalSize() const { return natural_; }
    void Place(const RECT& destination);
    void Repaint();

    // Streaming.
    void Start();
    void Stop();

    // Seeking, in 100 ns units.
    LONGLONG Position();
    LONGLONG Duration() const { return duration_; }
    void Seek(LONGLONG position);

    // Audio: linear amplitude 0..1.
    void SetVolume(float amplitude);

    // Events: handles what the session reported, without waiting. Done once the media has
    // ended, failed, or a start was never confirmed.
    void Poll();
    bool Done() const { return state_ == State::Ended || state_ == State::Failed; }

    HWND VideoWindow() const { return video_; }

private:
    enum class State { Closed, Ready, Starting, Playing, Paused, Ended, Failed };

    HRESULT CreateSource(IMFMediaSource** source);
    HRESULT BuildSession(bool enumerateSourceTypes);
    HRESULT WaitForTopology();
    void ReadStreams();
    void TakeServices();
    void ReleaseSession();
    void ReleaseSource();
    void StartAt(LONGLONG position, bool restart);
    void Rebuild(LONGLONG position);
    void HandleEvent(DWORD type, HRESULT status);

    WCHAR* source_ = nullptr; // what Open named, for building the session again
    bool isUrl_ = false;
    HWND owner_ = nullptr;
    HWND video_ = nullptr;
    IMFMediaSource* mediaSource_ = nullptr;
    IMFMediaSession* session_ = nullptr;
    IMFPresentationDescriptor* presentation_ = nullptr;
    IMFPresentationClock* clock_ = nullptr;
    IMFVideoDisplayControl* display_ = nullptr;
    IMFAudioStreamVolume* volume_ = nullptr;

    State state_ = State::Closed;
    SIZE natural_ = {0, 0};
    SIZE videoSize_ = {0, 0}; // the size last given to the renderer
    RECT destination_ = {0, 0, 0, 0};
    bool placed_ = false;
    LONGLONG duration_ = 0;
    LONGLONG position_ = 0;   // where a stopped movie stands, or where the next start begins
    bool hasVideo_ = false;
    bool hasAudio_ = false;
    bool enumerateSourceTypes_ = false;
    bool hasStarted_ = false;       // the session has played once
    // A session that cannot pause (Wine's) is let go when the movie stops and built anew at
    // the position when it starts again.
    bool canPause_ = true;
    bool rebuildToSeek_ = false;    // a restart of a played session was never confirmed here
    bool restartPending_ = false;   // the start waited for is a restart of a played session
    DWORD startRequestedAt_ = 0;
    DWORD playingSince_ = 0;     // when the session confirmed its last start
    LONGLONG playingFrom_ = 0;   // and from where
    bool sessionAbandoned_ = false; // the session would not close: its objects are let go
    float amplitude_ = 1.0f;
};
