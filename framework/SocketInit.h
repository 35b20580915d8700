// Windows sockets for the router link.
#pragma once

// Starts Winsock 1.1 once per process (released when the process ends). False if the
// system does not offer version 1.1.
bool AfxSocketInit();
