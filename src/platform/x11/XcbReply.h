#pragma once

#include <cstdlib>
#include <memory>

// An xcb reply, freed with free() as xcb asks.
struct XcbFree
{
    void operator()(void *reply) const { std::free(reply); }
};
template<typename Reply> using XcbReply = std::unique_ptr<Reply, XcbFree>;
