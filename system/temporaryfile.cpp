// The file that replaces another only when complete, and its removal on
// every early way out of a run, interrupts included.
#include "temporaryfile.hpp"

#include "failure.hpp"
#include "platform.hpp"
#include "testpause.hpp"

#include <cerrno>
#include <vector>

namespace {

// The pending temporary's name once it has one, and the temporaries set
// aside; the interrupt handlers hold a copy of all their names.
std::string pendingName;
std::vector<SetAside> setAside;
std::string interruptList;

void armRemoval() {
    interruptList.clear();
    for (const SetAside& each : setAside) interruptList += each.hiddenName + '\0';
    interruptList += pendingName;
    platform::removeOnInterrupt(&interruptList);
}

void forgetPendingName() {
    pendingName.clear();
    if (setAside.empty()) {
        platform::removeOnInterrupt(nullptr);
    } else {
        armRemoval();
    }
}

void discardPending() noexcept {
    if (pendingName.empty()) return;
    platform::holdInterrupts(true);
    platform::removeFile(pendingName);
    forgetPendingName();
    platform::holdInterrupts(false);
}

// A temporary without a name gets a hidden one, so that it can be renamed.
void nameHidden(ByteFile& file, const std::string& target) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string hidden = platform::hiddenNameBeside(target, attempt);
        platform::holdInterrupts(true);
        int error = platform::nameTemporary(file.descriptor(), hidden);
        if (error == 0) {
            pendingName = hidden;
            armRemoval();
        }
        platform::holdInterrupts(false);
        if (error == 0) return;
        if (error != EEXIST) raiseIoFailure(error);
    }
    raiseIoFailure(EEXIST);
}

} // namespace

int createTemporaryBeside(ByteFile& file, const std::string& target) {
    discardPending();
    std::string name;
    int error = 0;
    // Held back until the name is recorded: an interrupt in between would leave it behind.
    platform::holdInterrupts(true);
    int fd = platform::createTemporaryBeside(target, name, error);
    if (fd >= 0) {
        file.adopt(fd);
        pendingName = name;
        // Armed even without a name: the handlers are then in place before one is made.
        armRemoval();
    }
    platform::holdInterrupts(false);
    return fd >= 0 ? 0 : error;
}

std::string temporaryReachableName(const ByteFile& file) {
    return pendingName.empty() ? platform::openFileName(file.descriptor()) : pendingName;
}

void putTemporaryInPlace(ByteFile& file, const std::string& target) {
    try {
        if (pendingName.empty()) nameHidden(file, target);
        file.close();
        pauseForTest("before-rename", pendingName);
        platform::holdInterrupts(true);
        int error = platform::replaceFile(pendingName, target);
        if (error == 0) forgetPendingName();
        platform::holdInterrupts(false);
        if (error != 0) raiseIoFailure(error);
    } catch (...) {
        discardTemporary();
        throw;
    }
}

int createTemporaryLike(ByteFile& file, const std::string& target) {
    if (int error = createTemporaryBeside(file, target)) return error;
    if (int error = file.tryCopyOwnerAndAccessOf(target); error != 0 && error != ENOENT) raiseIoFailure(error);
    return 0;
}

int replaceWithText(const std::string& target, const std::string& text) {
    ByteFile file;
    if (int error = createTemporaryLike(file, target)) return error;
    file.writeAt(0, text.data(), text.size());
    if (int error = file.trySync()) raiseIoFailure(error);
    putTemporaryInPlace(file, target);
    return 0;
}

void setTemporaryAside(ByteFile& file, const std::string& target) {
    try {
        if (pendingName.empty()) nameHidden(file, target);
        file.close();
        platform::holdInterrupts(true);
        setAside.push_back({pendingName, target});
        pendingName.clear();
        armRemoval();
        platform::holdInterrupts(false);
    } catch (...) {
        discardPending();
        throw;
    }
}

int setTextAside(const std::string& target, const std::string& text) {
    ByteFile file;
    if (int error = createTemporaryLike(file, target)) return error;
    file.writeAt(0, text.data(), text.size());
    if (int error = file.trySync()) raiseIoFailure(error);
    setTemporaryAside(file, target);
    return 0;
}

std::size_t putSetAsideInPlace(int& error) {
    error = 0;
    std::size_t placed = 0;
    // Held back throughout: an interrupt between two renames would leave a mixed set.
    platform::holdInterrupts(true);
    for (const SetAside& each : setAside) {
        if (placed == 1) pauseForTest("between-renames", each.hiddenName);
        error = platform::replaceFile(each.hiddenName, each.target);
        if (error != 0) break;
        ++placed;
    }
    for (std::size_t i = placed; i < setAside.size(); ++i) platform::removeFile(setAside[i].hiddenName);
    setAside.clear();
    forgetPendingName();
    platform::holdInterrupts(false);
    return placed;
}

void discardTemporary() noexcept {
    discardPending();
    if (setAside.empty()) return;
    platform::holdInterrupts(true);
    for (const SetAside& each : setAside) platform::removeFile(each.hiddenName);
    setAside.clear();
    forgetPendingName();
    platform::holdInterrupts(false);
}

void holdInterrupts(bool hold) { platform::holdInterrupts(hold); }

void startWithoutInterrupts(const std::function<void()>& start) { platform::startWithoutInterrupts(start); }
