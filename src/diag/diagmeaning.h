#ifndef DIAGMEANING_H
#define DIAGMEANING_H

#include "diagmessage.h"

#include <QByteArray>
#include <QString>

// What a diagnostic message says, in the UI language: UDS (ISO 14229)
// services, OBD-II (SAE J1979) modes and parameters, J1939 groups and aborts.

// An ISO-TP payload: OBD-II for services 01-0A (and their answers), else UDS.
// Empty for an empty payload.
QString diagPayloadMeaning(const QByteArray &payload);

// The message as a whole: what its payload says, or why it did not complete.
QString diagMessageMeaning(const DiagMessage &message);

// A diagnostic trouble code of two bytes as SAE J2012 writes it: "P0123", "U0100".
QString troubleCodeText(quint8 high, quint8 low);

// "读取数据 (0x22)": the UDS service (or OBD-II mode) of a request identifier.
QString serviceName(quint8 service);
QString negativeResponseText(quint8 code);
QString j1939AbortReasonText(int reason);
QString diagProblemText(DiagMessage::Problem problem);

// A request and its answer: the answer's service is the request's + 0x40, or a
// negative response (7F) that names it. Requests are services below 0x40 and
// 0x80-0xBF.
bool isDiagRequest(const QByteArray &payload);
bool answersRequest(const QByteArray &request, const QByteArray &answer);
// A negative answer that says the final one is still to come (7F xx 78).
bool isResponsePending(const QByteArray &payload);

#endif // DIAGMEANING_H
