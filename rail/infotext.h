// Layout description texts.
#pragma once

class INFO_TEXT {
public:
    INFO_TEXT();
};

extern INFO_TEXT infoText;
