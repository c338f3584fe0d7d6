#pragma once

#include "app/Dialogs.h"

#include <QStringList>

#include <deque>
#include <vector>

// Answers the window's boxes and dialogs from a script and records what was shown.
class ScriptedDialogs final : public IDialogs {
public:
    struct Box {
        QString caption;
        QString text;
        Icon icon;
    };

    void MessageBox(QWidget*, const QString& caption, const QString& text, Icon icon) override {
        boxes.push_back({caption, text, icon});
    }
    bool InputQuery(const QString&, const QString&, QString& value) override {
        if (inputs.empty())
            return false;
        value = inputs.front();
        inputs.pop_front();
        return true;
    }
    bool OpenPicture(QWidget*, QString& fileName) override {
        if (pictures.empty())
            return false;
        fileName = pictures.front();
        pictures.pop_front();
        return true;
    }
    bool ChooseColour(QWidget*, QColor& colour) override {
        if (colours.empty())
            return false;
        colour = colours.front();
        colours.pop_front();
        return true;
    }

    std::vector<Box> boxes;
    std::deque<QString> inputs;
    std::deque<QString> pictures;
    std::deque<QColor> colours;
};
