// transvane-cli extract FILE DIR [--force]: a project's assets as ordinary
// files, for people who want their art, sounds and code back.
//
// The file is loaded exactly as a conversion loads it; a file that does not
// load extracts nothing.  Into DIR (created when missing) go:
//
//   sprites/NAME/0.png ...        every subimage, 24-bit RGB PNG
//   backgrounds/NAME.png          every background picture
//   sounds/NAME.wav|.mid|.mp3|.bin  every sound's data bytes, unchanged
//   scripts/NAME.txt              every script as UTF-8
//   datafiles/FILE                every data file's bytes, under its file name
//   game/information.rtf, .txt    the game information, as stored and plain
//   game/icon.ico, loading.png, bar-back.png, bar-front.png
//   project.json                  every record of every kind
//   index.html                    one page showing the project, offline
//
// Names come from the project through SafeFileName (Support_SafeName.h):
// nothing lands outside DIR, whatever the file stores.  When any of these
// files exists already nothing is written, unless replace is set.
//
// Nothing the load says is printed when the file loads: what a conversion
// would not carry over is noted in project.json and index.html instead, and
// one line on out names index.html.  A file that does not load gets the
// load's messages on err, each on one line with its context indented below,
// as a conversion prints them; so do the extraction's own failures.
//
// stop is set by the program's signal handler.  Once writing has begun
// (stop.Writing, which the extraction sets), the file being written is
// finished, everything written so far is removed (the folders only when
// the extraction made them) and the result is 128 + the signal.
// Exit status: 0 extracted, 1 the file does not load or a file could not
// be written.
#pragma once

#include <csignal>
#include <iosfwd>
#include <string>

namespace transvane {

struct CExtractStop {
    volatile std::sig_atomic_t Signal = 0;   // the signal that asks to stop; 0 for none
    volatile std::sig_atomic_t Writing = 0;  // set once the first file may be written
};

class CFeedback;

// progress, when given, follows the load's progress; the load's messages
// do not reach it.
int RunExtract(const std::string& fileName, const std::string& folder, bool replace, std::ostream& out,
               std::ostream& err, CExtractStop& stop, CFeedback* progress = nullptr);

}  // namespace transvane
