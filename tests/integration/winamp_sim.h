/* winamp-sim.exe driven from a test: started with a playlist and a message log of its
   own, sent remote commands straight through WM_COPYDATA, and always ended: when it goes
   out of scope, also when the test fails, and by its job when the runner itself ends. */
#pragma once

#include <string>
#include <vector>
#include <windows.h>

class WinampSim {
  public:
    WinampSim();
    ~WinampSim();
    WinampSim(const WinampSim &) = delete;
    WinampSim &operator=(const WinampSim &) = delete;

    /* Writes a playlist ("Artist - Title|seconds" lines) to use at the next start. */
    void setPlaylist(const std::vector<std::string> &tracks);
    /* Starts the player with extra options (e.g. "--paused --position 61500", or "--cad"
       for a CAD player) and waits, pumping, until its window exists. */
    bool start(const std::string &options = "");
    /* Hands one remote command ("next", "title X", "hang 2000", ...) to the player.
       With block set, this thread handles nothing else meanwhile; false when the player
       did not answer within timeoutMs. */
    bool send(const std::string &command, bool block = false, DWORD timeoutMs = 15000);
    /* Asks the player to quit and waits for its process to end; ends it by force
       when it does not. */
    void quit();
    /* Ends the player's process by force. */
    void kill();
    bool running() const;
    HWND window() const { return window_; }

    /* The player's log: one line per message received. */
    std::vector<std::string> log() const;
    /* Log lines received since mark() was taken. */
    size_t mark() const { return log().size(); }
    std::vector<std::string> logSince(size_t mark) const;
    /* Pumps until the log holds line after mark, for timeoutMs at most. */
    bool received(size_t mark, const std::string &line, DWORD timeoutMs = 3000) const;

  private:
    std::string folder_;
    std::string playlistPath_;
    std::string logPath_;
    PROCESS_INFORMATION process_ = {};
    HANDLE job_ = nullptr; /* ends the player when closed, also when this runner dies */
    HWND window_ = nullptr;
};
