#ifndef SIMULATION_H
#define SIMULATION_H

#include "dbc.h"
#include "transmitrow.h"

#include <QStringList>

#include <vector>

// What a headless node simulation sends, from the command line's words.
struct SimulationRequest
{
    QStringList nodes; // every message each sends
    QStringList messages; // by name
    QStringList sets; // MESSAGE.SIGNAL=VALUE
    QStringList counters; // MESSAGE.SIGNAL
    QStringList checksums; // MESSAGE[.SIGNAL]=ALGORITHM
};

struct SimulationPlan
{
    std::vector<TransmitRow> rows;
    QString error; // non-empty: an unknown name or a value refused, named
};

// The rows of `listRows` (a saved transmit list), then each node's and each
// named message's, each message once; then the values, counters and
// checksums set on them.
SimulationPlan planSimulation(const DbcDatabase &database, const SimulationRequest &request,
                              std::vector<TransmitRow> listRows = {});

// What a row did, as talvik-can simulate reports it on exit:
// "NAME ID: sent N, late N, skipped N".
QString simulationSummaryLine(const TransmitRow &row);

#endif // SIMULATION_H
