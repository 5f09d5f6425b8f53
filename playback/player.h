// One item played in one window by one engine. The controller owns the walk through the
// playlist; a player only plays what it is given and tells, through its own event messages,
// what became of it.
#pragma once

#include <windows.h>

// What opening an item gave.
enum class PlayerOpen {
    Ready,      // open: place and start it now
    Opening,    // under way: PlayerNews::Ready or Failed follows from an event message
    Unplayable, // it cannot be played: pass it over
};

// What an event message meant for the player's item.
enum class PlayerNews {
    None,
    Ready,   // an item that was opening is open: place and start it
    Ended,   // it played to its end
    Failed,  // it cannot go on: pass it over
    Aborted, // the engine gave up in a way that ends the saver
};

struct VideoSize {
    int width; // 0 x 0 without a picture
    int height;
    int ratioWidth; // the picture's own proportions
    int ratioHeight;
};

class Player {
public:
    virtual ~Player() {}

    // Opening and closing. The window is the screen's; Close may be called in any state.
    virtual PlayerOpen Open(HWND window, const wchar_t* path) = 0;
    virtual void Close() = 0;

    // Video: the natural size, the destination rectangle in the window's client coordinates,
    // and a paint request (true when the picture is drawn into the window itself at *picture).
    // Only the part of the destination within the visible rectangle (the screen's monitor, in
    // the same coordinates) may show: the rest is cropped off at the destination's scale, and
    // *picture is that part.
    virtual VideoSize Size() = 0;
    virtual void Place(const RECT& destination, const RECT& visible) = 0;
    virtual bool Paint(HDC dc, RECT* picture) = 0;
    virtual void DisplayChanged() {}
    // The window of its own the picture is drawn in, if it has one; that window's paint
    // requests come to RepaintPicture. Hide takes the picture off the screen at once.
    virtual HWND PictureWindow() const { return nullptr; }
    virtual void RepaintPicture(HWND, HDC) {}
    virtual void Hide() {}

    // A cut to the next item: the leaving item holds its last picture, silent, until the next
    // one shows its first (Showing), which is placed beneath it meanwhile.
    virtual void Hold() {}
    virtual bool Showing() { return true; }
    HWND beneath = nullptr;

    // Whether its opening waits for nothing on this thread, so that it can open the item that
    // comes next while another plays. Cue then makes that item ready to start at once; nothing
    // of it shows or sounds before StartAt.
    virtual bool OpensAhead() const { return false; }
    virtual void Cue() {}

    // Streaming, from a position (100 ns units) or from the start. Rewind plays the item again
    // from its start; false when it must be opened again.
    virtual void StartAt(LONGLONG position) = 0;
    void Start() { StartAt(0); }
    virtual bool Rewind() = 0;
    // The item's length and where it stands, in 100 ns units; 0 while unknown.
    virtual LONGLONG Duration() = 0;
    virtual LONGLONG Position() = 0;

    // Seeking: one key-down of a seek key, and the release that plays on from there.
    virtual void SeekStep(bool forwards) = 0;
    virtual void EndSeek() = 0;

    // Audio: a step in hundredths of a decibel (+100, -100, or 0 to apply the stored volume).
    // A muted item plays with no sound stream open; one unmuted while it plays opens its
    // sound where the engine can.
    virtual void ChangeVolume(int step) = 0;

    // Rest, while no display shows anything or the system sleeps: the item pauses and closes
    // its sound stream. Wake goes on from where it rested.
    virtual void Rest() = 0;
    virtual void Wake() = 0;

    // Events: a message posted to the window for this player; None when it was not its own.
    virtual PlayerNews HandleEvent(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // Set for a screen that is not the one that sounds: it plays as if muted, whatever the
    // settings say, and volume changes pass it by.
    bool silent = false;

protected:
    bool Muted() const;
};

// Messages the players post to their screen's window.
constexpr UINT GraphEventMessage = WM_APP + 1; // the filter graph's events wait
constexpr UINT MovieEventMessage = WM_APP + 2; // the media session or source resolver answered
constexpr UINT UrlCheckedMessage = WM_APP + 3; // a URL's first byte was read, or not
// Timers of the players on their screen's window.
constexpr UINT_PTR ID_MOVIE_TIMER = 1027;     // a media session's bounds
constexpr UINT_PTR ID_MOVIE_CLOSE_TIMER = 1030; // media sessions being closed
constexpr UINT_PTR ID_QUICKTIME_TIMER = 1028; // the QuickTime runtime's time slices
constexpr UINT_PTR ID_MOVIE_TIMER2 = 1034; // the same, for a screen's second movie player
constexpr UINT_PTR ID_MOVIE_CLOSE_TIMER2 = 1035;
