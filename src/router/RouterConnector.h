#pragma once

#include "router/RouterAdapter.h"

// What a connect flow needs of the router connection: the login to the stored
// router of the stored family, then what is learnt once connected. Completions
// run on the main thread.
class RouterConnector {
public:
    RouterConnector() = default;
    RouterConnector(const RouterConnector&) = delete;
    RouterConnector& operator=(const RouterConnector&) = delete;
    virtual ~RouterConnector() = default;

    virtual void connect(RouterAdapter::ConnectCompletion completion) = 0;
    virtual void fetchModelName(RouterAdapter::ModelCompletion completion) = 0;
    // UniFi only: reads the site's device SSH login for the access-point path.
    virtual void fetchAPSSHCredentials() = 0;
};
