#pragma once
// What the sub-pages' tests share: a page's controls by their ids, a list's
// texts, and a stream as a camera reports it.
#include "LangWidgets.h"
#include "VtIpcSDK.h"

#include <QComboBox>
#include <QStringList>
#include <QWidget>

template <class T> T* ById(QWidget* root, unsigned id)
{
    for (T* widget : root->findChildren<T*>()) {
        if (CtrlId(widget) == id) {
            return widget;
        }
    }
    return nullptr;
}

inline QStringList Items(QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->itemText(i);
    }
    return items;
}

inline VideoConfigRecord Stream(int stream, int codec, int size, int rate, int bitRate)
{
    VideoConfigRecord r{};
    r.stream = static_cast<uint8_t>(stream);
    r.secondaryEnabled = 1;
    r.codec = static_cast<uint8_t>(codec);
    r.frameSize = size;
    r.frameRate = rate;
    r.bitRate = bitRate;
    r.rateControl = 1;
    r.iFrameInterval = stream == 1 ? 20 : 30;
    return r;
}
