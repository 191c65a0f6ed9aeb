#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace zvr::sim {

// The simulator's end of its serial line: the master side of a pseudo-terminal whose slave
// side the program opens as its port, through a symbolic link at a path of the user's choice.
// The simulator keeps the slave open as well, so the line stays up between the program's
// connections, as a real unit's port does.
//
// Threads: one thread (the link thread) reads, writes and hangs up.
class PtyLink {
public:
    PtyLink() = default;
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // A fresh pseudo-terminal in raw mode. false with the reason in error.
    bool open(std::string& error);
    // Makes linkPath a symbolic link to the slave side, replacing an earlier link there in one
    // step. Refuses to replace anything that is not a symbolic link.
    bool publish(const std::string& linkPath, std::string& error);
    // Removes the published link, if it still points to this line.
    void unpublish();

    bool isOpen() const { return master_ >= 0; }
    int fd() const { return master_; }

    // What is waiting, without blocking; 0 when nothing is.
    size_t read(uint8_t* data, size_t size);
    // Writes what the line takes at once; bytes nobody reads are lost, as on a real line.
    void write(std::span<const uint8_t> bytes);
    // The line goes dead: the program's reads see the hang-up.
    void hangUp();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string linkPath_;
};

}  // namespace zvr::sim
