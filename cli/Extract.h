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
// The load's messages go to the installed feedback; the extraction's own
// failures are printed to err, one message a line, details indented below.
// Exit status: 0 extracted, 1 the file does not load or a file could not
// be written.
#pragma once

#include <iosfwd>
#include <string>

int RunExtract(const std::string& fileName, const std::string& folder, bool replace, std::ostream& err);
