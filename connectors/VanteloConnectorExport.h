#ifndef VANTELOCONNECTOREXPORT_H
#define VANTELOCONNECTOREXPORT_H

#include <QtCore/qglobal.h>

/**
 * \file VanteloConnectorExport.h
 * The export macro of `libVanteloConnectorLibrary.so.1`.
 */

/**
 * \def VANTELO_CONNECTOR_EXPORT
 * Marks a class or function of `libVanteloConnectorLibrary.so.1` that the
 * library exports: the thirteen connectors, the UI status information item
 * with its priority and D-Bus stream operators. The library is built with
 * hidden visibility, so only what carries the macro can be used from outside.
 * It exports when the library itself is built (`VANTELO_CONNECTOR_LIBRARY`
 * defined) and imports otherwise.
 */

#if defined(VANTELO_CONNECTOR_LIBRARY)
#define VANTELO_CONNECTOR_EXPORT Q_DECL_EXPORT
#else
#define VANTELO_CONNECTOR_EXPORT Q_DECL_IMPORT
#endif

#endif // VANTELOCONNECTOREXPORT_H
