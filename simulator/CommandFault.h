#pragma once

// How the simulated flight computer misbehaves in answer to one request code.
struct CommandFault
{
    bool rejectRequest = false;  // the request is never taken: the host's write fails
    bool noReply = false;        // the device stays silent
    int replyCode = -1;          // one report with this code instead of the reply (9 refuses a settings transfer)
    int staleReports = 0;        // reports of an earlier exchange queued ahead of the reply
    int chunkIndex = -1;         // this chunk of a chunked reply ...
    int chunkCount = 0;          // ... announces this many payload bytes
    int unplugAfterReports = -1; // the device vanishes once the host has read this many reports of the reply

    bool replacesReply() const { return noReply || replyCode >= 0; }
};
