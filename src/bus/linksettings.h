#ifndef LINKSETTINGS_H
#define LINKSETTINGS_H

// How frames go out, whatever the device: set by the configuration page,
// read by the senders and by the device that writes them.
struct LinkSettings
{
    bool variableFraming = false; // the converter's
    bool extendedFrames = false; // the type of frames sent from identifier texts
    // A CAN interface's: rows of more than 8 bytes go out as FD frames, with
    // the data phase at the data bit rate (BRS).
    bool canFd = false;
    bool bitRateSwitch = false;
};

#endif // LINKSETTINGS_H
