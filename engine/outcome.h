#ifndef FELDMOOR_ENGINE_OUTCOME_H
#define FELDMOOR_ENGINE_OUTCOME_H

#include "engine/flashgeometry.h"
#include "engine/jobevents.h"
#include "engine/jobrequest.h"

#include <QList>
#include <QString>

#include <optional>

namespace engine {

// The OpenOCD run of a job a fact belongs to.
enum class StepKind {
    ChainProbe,
    Load,
    FlashVerify,
    StatusRead,
    FlashGeometryRead,  // the flash's size and sectors, before an erase or a write at an offset
    FlashSizeRead,      // its size alone
    FlashRead,
    BlankCheckRead,
    FlashErase,
    FlashWrite,
    SectorRead,         // the sectors a write covers, read back to plan it
    Reload,
};

// How a job ended, or why a step ends it: each face words these itself.
enum class OutcomeKind {
    Passed,              // every step passed without a verdict of its own
    Detected,            // the chain probe found a catalogue part
    ChainEmpty,
    UnknownIdcode,       // the probe alone: the IDCODE is not in the catalogue
    UnknownBoardPart,    // the commands need the board's part, and its IDCODE is not in the catalogue
    PartMismatch,
    NoFamilyScript,      // the board's part has no family script
    FlashMatches,
    FlashDiffers,
    Configured,          // loaded, written or reloaded, and DONE high
    DoneNotChecked,      // configured; the family's DONE is not read
    DoneLow,
    NoStatusRegister,    // the status read printed none
    StatusFromEmptyChain,
    RangeRefused,        // the job's range against the flash the tool reported
    SerialPastFlash,     // a board's serial bytes run past the flash's end
    SerialInImage,       // they lie inside the image's range
    SectorUnitMismatch,  // the flash's sectors don't divide the unit a write compares in
    ToolRefusedRange,
    NoFlashGeometry,     // the tool did not report what the step needs of the flash
    DumpShort,           // the tool's dump holds fewer bytes than were read
    HostFileFailed,
    ReadDone,
    Blank,
    NotBlank,
    Erased,
    Written,             // a flash write without its reload
    WriteVerifyDiffers,  // a whole write's own verify
    SectorVerifyDiffers, // the verify after a sector-wise write
    ReloadAfterWriteFailed,
    ImageCutShort,
    AwaitsSectorRead,    // a sector-wise write's commands wait for the read before it
    Timeout,
    TooManyRestarts,
    ToolEndedFromOutside,
    ToolStoppedEarly,    // exited 0 before its list's last command reported
    ToolFailed,
    AdapterLostAtInit,
    ToolMissing,
    ToolNotStartable,
    NoAdapter,
    AdapterGone,
    Interrupted,         // Ctrl-C, or the window's stop
    HungUp,
    Terminated,
};

// The host file a HostFileFailed outcome is about.
enum class HostFile {
    ReadDump,          // the file the flash is read into, in `path`
    DumpInPlace,       // the dump renamed over the job's target
    SectorDump,        // the file the sectors are read back into, in `path`
    Image,             // the image the write compares, `path`
    SectorFolder,      // the folder for the sectors to write, in `path`
    StateFolder,       // the folder where a write keeps the sectors it erases
    KeptSector,        // one sector's old contents (`sector`), kept in `path`
    SectorFile,        // one sector's new bytes, written to `path`
};

// What a job or a step found at its end, with what each face needs to
// say it.
struct Outcome {
    OutcomeKind kind = OutcomeKind::Passed;
    StepKind step = StepKind::ChainProbe;

    // The job, as it was asked for.
    JobRequest::Mode mode = JobRequest::Mode::Load;
    FileKind fileKind = FileKind::Bin;
    QString file;                   // as the user named it, or the read's target
    qint64 fileSize = 0;
    std::optional<quint64> offset;  // as the job named it
    bool reload = true;

    // What the board and the tool showed.
    QString part;
    std::optional<quint32> idcode;
    int irLength = 0;
    quint32 status = 0;
    QString family;
    PartCheck partCheck;
    BlankCheck blank;
    bool wroteNothing = false;  // a sector-wise write found every sector holding the image
    bool whole = false;         // an erase of the whole flash
    FlashRange range;
    std::optional<FlashGeometry> flash;
    std::optional<RangeProblem> problem;
    quint64 held = 0;                 // bytes the tool's dump or the flash holds
    std::optional<quint64> heldKnown; // an image cut short: how much of it the flash holds, when known
    quint64 asked = 0;                // bytes asked for
    quint64 sectorSize = 0;
    quint64 unit = 0;
    quint64 address = 0;
    QList<quint32> sectors;
    HostFile hostFile = HostFile::ReadDump;
    quint32 sector = 0;
    QString path;
    QString error;     // the system's error text, verbatim
    QString toolLine;  // the tool's deciding words, verbatim
    QString program;
    int exitCode = 0;
    bool crashed = false;
    double seconds = 0;
    int restarts = 0;
    AdapterSelection adapter;
};

// How a job ended, as its observer is told.
struct JobResult {
    Outcome outcome;
    double seconds = 0;
    std::optional<FlashLeftChanged> flashLeft;
};

// An outcome of `kind` in `step` of the job `request` asks for.
Outcome outcomeOf(const JobRequest &request, OutcomeKind kind, StepKind step);

// Whether a job that ends so did what it was asked.
bool succeeded(OutcomeKind kind);

} // namespace engine

#endif
