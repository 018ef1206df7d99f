// Binding the flow-control library at start-up: load libvelquin.so,
// resolve its five entry points into g_FlowApi, open the driver session;
// and releasing the library at exit.
#pragma once

#include <QString>

// Where start-up looks for the library: beside the executable, else in the
// install's lib folder beside its bin, else by file name through the
// system's search.
QString DefaultFlowLibraryPath();

// The start-up steps, each returning an empty string on success or the
// message that ends start-up. They run in this order, each only after the
// previous succeeded.
QString LoadFlowLibrary(const QString& strPath); // "Can not open libvelquin.so"
QString ResolveFlowExports();                    // "Get LPFLOW_INIT from libvelquin.so failed." ...
QString InitFlowSession();                       // "Flow ctrl init failed."

// Runs the three steps. On a failure the message is written to the
// diagnostic log at level 8 and shown (OK button, warning icon), and false
// comes back; a library already loaded stays loaded until
// ReleaseFlowLibrary. An empty path means DefaultFlowLibraryPath().
bool BindFlowLibrary(const QString& strPath = QString());

// Unloads the library and clears g_FlowApi. The session is not
// uninitialised: unloading closes its connection, and the missions were
// withdrawn one by one before.
void ReleaseFlowLibrary();
