#pragma once

// Where the settings window's router connection stands.
enum class ConnectionState { disconnected, connecting, connected, failed, lost };
