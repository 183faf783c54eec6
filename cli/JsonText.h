// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QStringView>

// Appends `text` as a JSON string. A lone surrogate (a byte of a name that
// was not UTF-8) becomes "\udcff", as QJsonDocument writes it too.
void appendJsonString(QByteArray &out, QStringView text);
