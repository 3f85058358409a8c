// A new file made beside the file it is to replace, which takes that file's
// place only when it is complete: a run that stops early, however it stops,
// leaves the earlier file (or none) as it was.
//
// Where the system allows it the file has no name until it is put in place;
// otherwise it has a hidden name of its own, which is removed on every way
// out of the run: by discardTemporary on the tool's way out, and by the
// handlers of Ctrl+C, termination, hang-up and quit, which then end the process as
// the signal would have.
#pragma once

#include "bytefile.hpp"

#include <functional>
#include <string>

// Opens file as a new, empty temporary beside target; 0 or the platform's
// error number. One at a time per process, besides those set aside.
int createTemporaryBeside(ByteFile& file, const std::string& target);

// A name under which a test can open the temporary while it is pending.
std::string temporaryReachableName(const ByteFile& file);

// Closes the temporary (a failed close ends the run with the failure report,
// and the temporary is gone) and renames it over target: a file, a link or a
// hard link of that name is replaced, and whatever a link led to is left alone.
void putTemporaryInPlace(ByteFile& file, const std::string& target);

// Writes text whole into a new temporary beside target and puts it in place
// once it is on the disk; an existing target's owner (where this process may
// set it) and access list or permission bits go with it, so access never
// widens. The platform's error number when no temporary can be made (nothing
// is written then), else 0; any later failure ends the run with the failure
// report and leaves target as it was.
int replaceWithText(const std::string& target, const std::string& text);

// Several files that take their places together. Each is written to a
// temporary and set aside: named (hidden) and closed, still removed on every
// way out; its making discards no other set aside. A text is flushed to the
// disk first; a picture, as the image tools' outputs, is left to the system.
// putSetAsideInPlace then renames them in the order set aside, with
// interrupts held back until the last: it returns how many took their place;
// on a failed rename error is set and the rest are removed, their targets
// left as they were.
struct SetAside {
    std::string hiddenName;
    std::string target;
};
void setTemporaryAside(ByteFile& file, const std::string& target);
// replaceWithText's writing, set aside; 0 or the error of making the temporary.
int setTextAside(const std::string& target, const std::string& text);
// createTemporaryBeside, and the owner and access of an existing target given to it.
int createTemporaryLike(ByteFile& file, const std::string& target);
std::size_t putSetAsideInPlace(int& error);

// Removes a temporary that was not put in place, and every one set aside. Safe to call at any time.
void discardTemporary() noexcept;

// Holds Ctrl+C, termination and hang-up back (true) until released (false),
// for a step that must not be cut in half; a signal that came meanwhile
// arrives on release.
void holdInterrupts(bool hold);
// Calls start (which starts threads) so that the threads it starts never
// take Ctrl+C, termination or hang-up: those reach the thread that holds
// them back around its steps and removes the temporary.
void startWithoutInterrupts(const std::function<void()>& start);
