// orvanta-understanding-quality DATA_DIR BIN_DIR
// Runs `orvanta-cli understand` on every labelled capture with the shipped layout bridge and
// reports the route accuracy and, where the label holds the text, the character error rate
// (Levenshtein distance / reference length, white space runs read as one space). Without
// orvanta-cli in BIN_DIR it reads the bridge's text directly and reports no routes.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString normalised(const QString &text)
{
    return text.simplified();
}

double characterErrorRate(const QString &hypothesis, const QString &reference)
{
    std::vector<int> previous(std::size_t(reference.size()) + 1), current(previous.size());
    for (std::size_t j = 0; j < previous.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= hypothesis.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= reference.size(); ++j) {
            const int substitution = previous[std::size_t(j - 1)] + (hypothesis[i - 1] == reference[j - 1] ? 0 : 1);
            current[std::size_t(j)] =
                std::min({previous[std::size_t(j)] + 1, current[std::size_t(j - 1)] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return reference.isEmpty() ? 0.0 : double(previous.back()) / double(reference.size());
}

QJsonObject runJson(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(120000);
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: orvanta-understanding-quality DATA_DIR BIN_DIR\n", stderr);
        return 2;
    }
    const QDir data(QString::fromLocal8Bit(argv[1])), bin(QString::fromLocal8Bit(argv[2]));
    QFile labelsFile(data.filePath(QStringLiteral("labels.json")));
    if (!labelsFile.open(QIODevice::ReadOnly)) {
        std::fputs("cannot read labels.json\n", stderr);
        return 1;
    }
    const QString cli = bin.filePath(QStringLiteral("orvanta-cli"));
    const QString bridge = bin.filePath(QStringLiteral("orvanta-layout-bridge"));
    const bool routes = QFile::exists(cli);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ORVANTA_PADDLE_OCR_BRIDGE"), bridge);
    // On a busy machine the bridge can outrun the default time limit; this measures its answers.
    environment.insert(QStringLiteral("ORVANTA_PADDLE_OCR_TIMEOUT_MS"), QStringLiteral("120000"));
    int total = 0, correct = 0;
    std::vector<double> rates;
    for (const QJsonValue &value : QJsonDocument::fromJson(labelsFile.readAll()).array()) {
        const QJsonObject label = value.toObject();
        const QString file = data.filePath(label.value(QStringLiteral("file")).toString());
        const QString wanted = label.value(QStringLiteral("route")).toString();
        QString route = QStringLiteral("-"), text;
        if (routes) {
            const QJsonObject result = runJson(cli, {QStringLiteral("understand"), file}, environment);
            route = result.value(QStringLiteral("mode")).toString(QStringLiteral("error"));
            text = result.value(QStringLiteral("ocr")).toObject().value(QStringLiteral("text")).toString();
        } else {
            text = runJson(bridge, {file}, environment).value(QStringLiteral("text")).toString();
        }
        ++total;
        correct += route == wanted ? 1 : 0;
        QString line = QStringLiteral("%1 want %2 got %3")
                           .arg(label.value(QStringLiteral("file")).toString(), -26)
                           .arg(wanted, -5)
                           .arg(route, -5);
        if (label.contains(QStringLiteral("text"))) {
            rates.push_back(
                characterErrorRate(normalised(text), normalised(label.value(QStringLiteral("text")).toString())));
            line += QStringLiteral(" CER %1 %").arg(100 * rates.back(), 0, 'f', 2);
        }
        std::printf("%s\n", qPrintable(line));
    }
    if (!rates.empty()) {
        double sum = 0.0;
        for (const double rate : rates)
            sum += rate;
        std::sort(rates.begin(), rates.end());
        const std::size_t middle = rates.size() / 2;
        const double median = rates.size() % 2 ? rates[middle] : (rates[middle - 1] + rates[middle]) / 2;
        std::printf("character error rate over %zu captures: median %.2f %%, mean %.2f %%\n", rates.size(),
                    100 * median, 100 * sum / double(rates.size()));
    }
    if (routes)
        std::printf("route accuracy: %d / %d = %.1f %%\n", correct, total, total ? 100.0 * correct / total : 0.0);
    else
        std::printf("route accuracy: not measured (no orvanta-cli in %s)\n", qPrintable(bin.path()));
    return 0;
}
