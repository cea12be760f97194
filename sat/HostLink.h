#pragma once

#include "HostWire.h"

#include <memory>
#include <optional>
#include <string>

// The manager's end of a host process: starts the program with its standard input and output
// as two pipes, and exchanges one request and one reply at a time. A host that ends, or writes
// what cannot be read, is gone for good; the next host is a new link.
class HostLink {
public:
    // None when the program cannot be started; `failure` says why (UTF-8).
    static std::unique_ptr<HostLink> start(const std::string& program, std::string& failure);
    // The file of that name in the running program's folder (UTF-8); empty when the folder
    // cannot be found.
    static std::string besideThisProgram(const std::string& name);
    ~HostLink();
    HostLink(const HostLink&) = delete;
    HostLink& operator=(const HostLink&) = delete;

    // None when the host ended before it replied, or replied with what cannot be read.
    std::optional<hostwire::Reply> exchange(const hostwire::Request& request);
    // False once an exchange failed, or once the process has ended (between two calls, say).
    bool alive();

    struct Process;

private:
    explicit HostLink(std::unique_ptr<Process> process);

    std::unique_ptr<Process> process_;
    hostwire::FrameReader reader_;
    bool alive_ = true;
};
