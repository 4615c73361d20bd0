#pragma once
// The Ghostscript wrapper: EPS pictures and PostScript rendered to bitmaps.
//
// One interpreter serves the process. It starts with the first job (or when
// a caller about to draw says so: StartEarly), runs with -dSAFER (it reads
// no file but Ghostscript's own resources and writes none; the caller feeds
// all PostScript through ProcessPSCommand), and renders
// into memory at the job's resolution and page size on white. It runs in a
// helper program, ksdvi-gs-host (GsHost.cpp; GsHostPath.h says where it is
// found), so that a job that loops can be stopped: a job that runs past the
// time limit is killed with its interpreter, which starts again for the next
// job.
//
// Jobs from several threads take turns: StartGSJob waits until no other job
// runs and EndGSJob lets the next one in, on the thread that started the
// job. That lock is the cost of sharing one interpreter: EPS pictures of
// pages rendered in parallel are drawn one after another, and a job that
// loops holds the others back until its time limit.
//
// A second interpreter, GetPdfGS(), draws with Ghostscript's pdfwrite device
// instead: each job's page comes back as a one-page PDF (GetLastPdf), for
// outputs that keep PostScript's drawing as vectors.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "platform/gdi/Palette.h"
#include "platform/gdi/Types.h"

class GS {
public:
    // Receives the pages of a job, on the thread that runs the job.
    class PageOutputter {
    public:
        // A page of width x height pixels is ready: read it with
        // GetBitmapRow before returning. A job may show several pages.
        virtual void OutputPage(int width, int height) = 0;
        // Asked about ten times a second while the job runs; an answer other
        // than 0 stops the job, which then fails.
        virtual int StopRequested() { return 0; }
        virtual ~PageOutputter() = default;
    };

    static constexpr std::chrono::milliseconds kDefaultTimeLimit{10000};

    GS(const GS&) = delete;
    GS& operator=(const GS&) = delete;

    // Starts a job: a page of width x height pixels at xRes x yRes pixels per
    // inch, its bitmap of `bitsPerPixel` bits (1, 4 and 8 with a palette, 24
    // or 32; other values give 24). The last two arguments are not used.
    // Non-zero when the job started; then EndGSJob must follow on this thread.
    int StartGSJob(int xRes, int yRes, int width, int height, int bitsPerPixel, PageOutputter* out, int, int);
    // The same, the job's PostScript beginning with `prologue`: definitions
    // that jobs in a row share (dvips' header files). The interpreter runs it
    // once for them and keeps what it made, each job's own changes undone as
    // before; a job with another prologue (or none) first undoes it.
    int StartGSJob(int xRes, int yRes, int width, int height, int bitsPerPixel, PageOutputter* out,
                   std::string_view prologue);
    // Sends PostScript to the job, binary data included (any split into
    // pieces; pieces are passed on in batches, and at once when they show a
    // page). 0 once the job has failed: the rest is then skipped.
    int ProcessPSCommand(std::string_view command);
    // Ends the job and lets the next one start. Non-zero when the job ran
    // without a PostScript error and within the time limit.
    int EndGSJob();

    // Starts the interpreter's helper without waiting for it, so that it
    // gets ready while the caller goes on: for a caller that knows a job
    // will come. Nothing when it runs, is starting or a job is open.
    void StartEarly();

    // The bitmap of the last page stays as it is between these two.
    int LockGSDevice();
    int UnlockGSDevice();
    // Fills the header and the colour table (up to 256 entries) of the last
    // page's bitmap when they are given, and points *rows at the bits from
    // row `row` on, rows counted bottom-up (a DIB's bits: each row padded to
    // four bytes). 0 when there is no bitmap or the row is outside it.
    int GetBitmapRow(ksdvi::gdi::BITMAPINFOHEADER* header, ksdvi::gdi::RGBQUAD* colors, unsigned char** rows,
                     unsigned row);
    // The palette of a bitmap of 8 bits or fewer, for the caller to delete
    // (DeleteObject); null for deeper bitmaps.
    ksdvi::gdi::HPALETTE GetPalette();
    int GetBitmapWidth() const;
    int GetBitmapHeight() const;

    // True unless the interpreter has failed to start: then Ghostscript or
    // its helper is missing or broken, and jobs fail at once, with the reason,
    // without trying again.
    bool IsGSDLLLoaded() const;

    // Why the last job of the calling thread failed ("PostScript error:
    // undefined in foo", "stopped after 10 s", ...); empty after a job that
    // succeeded.
    static std::string GetLastError();
    // Whether that job was stopped at the time limit.
    static bool LastJobTimedOut();
    // Whether that job, on the PDF interpreter, ended without showing a page.
    static bool LastJobShowedNoPage();
    // What the calling thread's last job printed for the library: each line
    // it printed that began with "%%[ksdvi-data: ", without those words.
    static std::string GetLastOutput();
    // The page the calling thread's last job on the PDF interpreter showed,
    // a PDF file; empty after a job that failed or on the other interpreter.
    static std::string GetLastPdf();

    // How long one job may run, from StartGSJob to EndGSJob (the
    // interpreter's own start is not counted).
    void SetTimeLimit(std::chrono::milliseconds limit);
    std::chrono::milliseconds GetTimeLimit() const;

private:
    friend GS* GetGS();
    friend GS* GetPdfGS();
    explicit GS(bool pdf = false);
    ~GS();

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The process's wrappers. Getting one starts nothing (StartEarly does).
GS* GetGS();
GS* GetPdfGS();
