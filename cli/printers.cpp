#include "cli/printers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/text.h"
#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "core/block_paste.h"
#include "dialogs/qt_text.h"
#include "files/nvm_file.h"

namespace nvmtool {

namespace {

QJsonArray TextList(const std::vector<std::string>& texts) {
    QJsonArray list;
    for (const std::string& text : texts) list.append(vtq::ToQ(text));
    return list;
}

QJsonArray RecordList(const std::vector<Record>& records) {
    QJsonArray list;
    for (const Record& r : records)
        list.append(QJsonObject{{"name", vtq::ToQ(r.name)}, {"value", vtq::ToQ(r.value)}, {"type", vtq::ToQ(r.type)}});
    return list;
}

// Each table's cells row by row, with its name and shape.
QJsonArray TableList(const std::vector<TableEntry>& tables) {
    QJsonArray list;
    for (const TableEntry& entry : tables) {
        const vtq::TableShape& shape = entry.table.shape;
        QJsonArray rows, row;
        for (size_t i = 0; i < shape.count; ++i) {
            row.append(vtq::ToQ(entry.table.elements[i]));
            if ((i + 1) % static_cast<size_t>(shape.columns) == 0 || i + 1 == shape.count) rows.append(std::exchange(row, {}));
        }
        list.append(QJsonObject{{"name", vtq::ToQ(entry.name)},
                                {"tables", shape.tables},
                                {"rows", shape.rows},
                                {"columns", shape.columns},
                                {"cells", rows}});
    }
    return list;
}

// The verb's own results: counters, lists and the file it wrote.
QJsonObject ResultFields(const VerbResult& r) {
    QJsonObject json;
    for (const auto& [key, value] : r.counters) json[QString::fromStdString(key)] = static_cast<qint64>(value);
    if (r.groups) {
        QJsonArray list;
        for (const GroupEntry& g : *r.groups) list.append(QJsonObject{{"name", vtq::ToQ(g.name)}, {"number", g.number}});
        json["groups"] = list;
    }
    if (r.parameters) json["parameters"] = RecordList(*r.parameters);
    if (r.tables) json["tables"] = TableList(*r.tables);
    if (r.differences) {
        QJsonArray list;
        for (const vtq::Difference& d : *r.differences)
            list.append(QJsonObject{{"kind", vtq::DiffLabel(d.kind)},
                                    {"group", vtq::ToQ(vtq::GroupOfName(d.name))},
                                    {"name", vtq::ToQ(d.name)},
                                    {"text", vtq::ToQ(d.text)}});
        json["differences"] = list;
    }
    if (r.verifyFailures) {
        QJsonArray list;
        for (const vtq::VerifyFailure& f : *r.verifyFailures)
            list.append(QJsonObject{{"name", vtq::ToQ(f.name)},
                                    {"written", vtq::ToQ(f.written)},
                                    {"readBack", vtq::ToQ(f.readBack)},
                                    {"answered", f.answered}});
        json["verifyFailures"] = list;
    }
    if (r.commitGroups) json["commitGroups"] = TextList(*r.commitGroups);
    if (r.restorePoints) {
        QJsonArray list;
        for (const vtq::RestorePointInfo& p : *r.restorePoints)
            list.append(QJsonObject{{"id", vtq::ToQ(p.id)},
                                    {"time", vtq::ToQ(p.time)},
                                    {"unit", vtq::ToQ(p.unit)},
                                    {"operation", vtq::ToQ(p.operation)},
                                    {"parameters", p.parameters},
                                    {"groups", TextList(p.groups)},
                                    {"path", vtq::ToQ(p.path)}});
        json["restorePoints"] = list;
    }
    if (r.answer) {
        json["answer"] = vtq::ToQ(*r.answer);
        json["ok"] = vtq::IsGoodAnswer(*r.answer);
    }
    if (r.file) json["file"] = vtq::ToQ(*r.file);
    if (r.written) json["written"] = *r.written;
    if (r.merged) json["merged"] = *r.merged;
    return json;
}

QJsonObject RunJson(const TargetRun& run) {
    QJsonObject json = ResultFields(run.result);
    json["target"] = vtq::ToQ(run.target);
    json["status"] = ExitStatus(run.result.outcome);
    json["errors"] = TextList(run.result.errors);
    json["messages"] = TextList(run.messages);
    QJsonArray log;
    for (const auto& [text, flag] : run.log) log.append(QJsonObject{{"flag", flag}, {"text", vtq::ToQ(text)}});
    json["log"] = log;
    return json;
}

std::string Lines(const std::vector<std::string>& lines, const char* end) {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

}  // namespace

std::string TextOutput(const VerbResult& r) {
    std::string text;
    switch (r.shows) {
        case TextShows::kNothing:
            break;
        case TextShows::kGroups:
            for (const GroupEntry& g : *r.groups) text += g.name + "=" + std::to_string(g.number) + "\n";
            break;
        case TextShows::kParameters:
            for (const Record& p : *r.parameters) text += vtq::NvmParameterLine(p.name, p.value, {}) + "\n";
            break;
        case TextShows::kTables:
            // Several tables: each under its name, with an empty line between them.
            for (const TableEntry& entry : *r.tables) {
                if (r.tables->size() > 1) text += (text.empty() ? "" : "\n") + entry.name + "\n";
                text += vtq::TableText(entry.table, r.csv);
            }
            break;
        case TextShows::kFileText:
            return r.fileText;
        case TextShows::kDifferences:
            for (const vtq::Difference& d : *r.differences) text += d.text + "\n";
            break;
        case TextShows::kCommands:
            return Lines(r.commands, "\n");
        case TextShows::kAnswer:
            return *r.answer;
        case TextShows::kRestorePoints:
            for (const vtq::RestorePointInfo& p : *r.restorePoints)
                text += p.id + "  " + p.time + "  " + p.unit + "  " + p.operation + "  " +
                        vtq::CountText(p.parameters, "parameter", "parameters") + "  " + vtq::JoinCommaText(p.groups) +
                        "\n";
            break;
    }
    return text;
}

std::string JsonOutput(const std::string& verb, int status, const std::vector<TargetRun>& runs) {
    QJsonArray targets;
    for (const TargetRun& run : runs) targets.append(RunJson(run));
    const QJsonObject doc{{"verb", vtq::ToQ(verb)}, {"status", status}, {"targets", targets}};
    return QJsonDocument(doc).toJson().toStdString();
}

std::string JsonUsageError(const std::string& verb, const std::string& error) {
    const QJsonObject doc{{"verb", vtq::ToQ(verb)},
                          {"status", ExitStatus(Outcome::kUsage)},
                          {"error", vtq::ToQ(error)},
                          {"targets", QJsonArray()}};
    return QJsonDocument(doc).toJson().toStdString();
}

}  // namespace nvmtool
