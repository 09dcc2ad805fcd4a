#pragma once
// The "Parameter" box both value editors show on top: the parameter's name
// (selectable), its type, and a button that copies the name.

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vtq {

struct ParameterBox {
    QGroupBox* group;
    QLabel* name;
    QLabel* type;
    QPushButton* copy;
};

inline ParameterBox MakeParameterBox(QWidget* parent) {
    ParameterBox box;
    box.group = new QGroupBox(QStringLiteral("Parameter"), parent);
    box.name = new QLabel(box.group);
    box.name->setTextFormat(Qt::PlainText);
    box.name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.type = new QLabel(box.group);
    box.type->setTextFormat(Qt::PlainText);
    box.copy = new QPushButton(QStringLiteral("Copy"), box.group);
    box.copy->setToolTip(QStringLiteral("Copy parameter name to clipboard"));
    auto* layout = new QHBoxLayout(box.group);
    auto* names = new QVBoxLayout;
    names->addWidget(box.name);
    names->addWidget(box.type);
    layout->addLayout(names, 1);
    layout->addWidget(box.copy, 0, Qt::AlignTop);
    return box;
}

}  // namespace vtq
