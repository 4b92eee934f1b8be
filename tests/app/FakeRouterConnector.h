#pragma once

#include "router/RouterConnector.h"

// Holds the login's and the model name's completions for the test to answer; no
// network is involved.
class FakeRouterConnector : public RouterConnector {
public:
    void connect(RouterAdapter::ConnectCompletion completion) override { login = std::move(completion); }
    void fetchModelName(RouterAdapter::ModelCompletion completion) override { model = std::move(completion); }
    void fetchAPSSHCredentials() override { ++apCredentialFetches; }

    RouterAdapter::ConnectCompletion login;
    RouterAdapter::ModelCompletion model;
    int apCredentialFetches = 0;
};
