#pragma once

#include "DynamicLibrary.h"
#include "HostWire.h"

// What the host does with each request: loads the device library, or calls one of its
// functions with the arguments as they came and gives back what it returned. It decides
// nothing: which calls to make, and what they mean, is the manager's.
class HostCalls {
public:
    hostwire::Reply handle(const hostwire::Request& request);

private:
    hostwire::Reply load(const std::string& fileName);
    hostwire::Reply call(const hostwire::Request& request);

    dynlib::Handle library_ = nullptr;
};
