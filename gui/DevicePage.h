#pragma once

// A page of the main window's sheet beyond the network settings page. The
// main window relabels it after a change of language and tells it when it
// becomes the page shown.
class DevicePage
{
public:
    virtual ~DevicePage() = default;
    virtual void Relabel() = 0;
    // The main window's Count button while this page is shown; a page that
    // does not count cameras by model leaves it doing nothing.
    virtual void CountByModel() {}
};
