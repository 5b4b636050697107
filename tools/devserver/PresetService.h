#pragma once

#include "DevReply.h"
#include "DevRequest.h"

class IdentityProvider;
class PresetStore;

// GET and PUT /prompt-presets: each signed-in user reads and replaces their own list.
class PresetService
{
public:
    PresetService(const IdentityProvider &identity, PresetStore &store);

    DevReply fetch(const DevRequest &request) const;
    DevReply update(const DevRequest &request);

private:
    const IdentityProvider &m_identity;
    PresetStore &m_store;
};
