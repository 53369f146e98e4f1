/* The broadcasts the plugin is sending right now. The shell hands every broadcast back
   to each registered window, this plugin's own included, so the dispatcher asks here
   whether a text it receives is one of its own on its way round. */
#pragma once

/* Marks text as in flight for the lifetime of the object; text must outlive it. Any
   thread. When every place is taken the text goes unmarked (the dispatcher's
   addressing rule still keeps the plugin's own broadcasts from acting). */
class OutgoingBroadcast {
  public:
    explicit OutgoingBroadcast(const char *text);
    ~OutgoingBroadcast();
    OutgoingBroadcast(const OutgoingBroadcast &) = delete;
    OutgoingBroadcast &operator=(const OutgoingBroadcast &) = delete;

  private:
    int place_;
};

/* True when text equals a broadcast the plugin has in flight. */
bool isOwnBroadcast(const char *text);
