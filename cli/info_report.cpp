#include "cli/info_report.h"

#include <cmath>
#include <map>

#include "host/vostrel_host.h"
#include "validator/json_text.h"

namespace quorbelin::cli {

namespace {

using validator::jsonNumber;
using validator::jsonString;

const std::map<int, const char*>& sizeWordNames() {
    static const std::map<int, const char*> names = {
        {numOutputPorts, "numOutputPorts"}, {numInputPorts, "numInputPorts"},
        {methodArgument, "methodArgument"}, {numSampleTimes, "numSampleTimes"},
        {numParams, "numParams"},           {recordVersion, "recordVersion"},
        {options, "options"},               {portFlags, "portFlags"},
    };
    return names;
}

std::string widthText(int32_t width) {
    return width == DYNAMICALLY_SIZED ? "dynamically sized" : "width " + std::to_string(width);
}

std::string complexityText(int32_t complexity) {
    switch (complexity) {
        case COMPLEXITY_INHERITED: return "complexity inherited";
        case COMPLEXITY_REAL: return "real";
        case COMPLEXITY_COMPLEX: return "complex";
        default: return "complexity " + std::to_string(complexity);
    }
}

std::string periodText(double period, double offset) {
    if (period == -1.0) {
        return "sample time inherited";
    }
    if (std::isinf(period) && period > 0) {
        return "constant sample time";
    }
    char text[64];
    std::snprintf(text, sizeof text, "sample period %.17g", period);
    std::string result = text;
    if (offset != 0.0) {
        std::snprintf(text, sizeof text, ", offset %.17g", offset);
        result += text;
    }
    return result;
}

std::string shapeText(const ArrayShape& shape) {
    std::string text;
    for (std::size_t i = 0; i < shape.dims.size(); ++i) {
        text += (i == 0 ? "" : " x ") + std::to_string(shape.dims[i]);
    }
    return text + (shape.isDouble ? " double" : " non-double") + (shape.complex ? ", complex" : ", real");
}

std::string typeName(int32_t dataType) {
    const auto type = vostrel::workVectorType(dataType);
    return type ? type->name : "type " + std::to_string(dataType);
}

int64_t workVectorBytes(const WorkVectorView& vector) {
    const auto type = vostrel::workVectorType(vector.dataType);
    return type ? int64_t{vector.width} * type->bytes * (vector.complex ? 2 : 1) : -1;
}

std::string portJson(int32_t width, int32_t complexity, double period, double offset) {
    const char* complexityName = complexity == COMPLEXITY_COMPLEX ? "complex"
                                 : complexity == COMPLEXITY_REAL  ? "real"
                                                                  : "inherited";
    return "{\"width\": " + std::to_string(width) + ", \"complexity\": \"" + complexityName +
           "\", \"samplePeriod\": " + jsonNumber(period) + ", \"constant\": " +
           (std::isinf(period) && period > 0 ? "true" : "false") + ", \"sampleOffset\": " + jsonNumber(offset) + "}";
}

template <typename Item, typename Format>
std::string jsonList(const std::vector<Item>& items, Format format) {
    std::string text = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : ", ") + format(items[i]);
    }
    return text + "]";
}

}  // namespace

void printInfoText(const InfoReport& report, std::FILE* out) {
    std::fprintf(out, "block \"%s\" from %s\n\n", report.blockName.c_str(), report.libraryPath.c_str());
    std::fprintf(out, "size query (SizesVector, 38 words; those not listed are 0):\n");
    for (std::size_t i = 0; i < report.sizes.size(); ++i) {
        if (report.sizes[i] == 0.0) {
            continue;
        }
        const auto name = sizeWordNames().find(static_cast<int>(i));
        std::fprintf(out, "  [%2zu] %-16s %.17g\n", i, name != sizeWordNames().end() ? name->second : "",
                     report.sizes[i]);
    }

    std::fprintf(out, "\nparameters as handed to the block:\n");
    for (std::size_t i = 0; i < report.parameters.size(); ++i) {
        std::fprintf(out, "  %zu: %s\n", i, shapeText(report.parameters[i]).c_str());
    }

    std::fprintf(out, "\nports as declared:\n");
    for (std::size_t p = 0; p < report.declaredInputs.size(); ++p) {
        const DeclaredPort& port = report.declaredInputs[p];
        std::fprintf(out, "  input %zu: %s, %s, %s\n", p, widthText(port.width).c_str(),
                     complexityText(port.complexity).c_str(), periodText(port.period, port.offset).c_str());
    }
    for (std::size_t p = 0; p < report.declaredOutputs.size(); ++p) {
        const DeclaredPort& port = report.declaredOutputs[p];
        std::fprintf(out, "  output %zu: %s, %s, %s\n", p, widthText(port.width).c_str(),
                     complexityText(port.complexity).c_str(), periodText(port.period, port.offset).c_str());
    }

    if (report.settled) {
        std::fprintf(out, "\nports after propagation:\n");
        const auto print = [&](const char* direction, const std::vector<vostrel::SettledPort>& ports) {
            for (std::size_t p = 0; p < ports.size(); ++p) {
                std::fprintf(out, "  %s %zu: width %d, %s, %s\n", direction, p, ports[p].width,
                             ports[p].complex ? "complex" : "real",
                             periodText(ports[p].period, ports[p].offset).c_str());
            }
        };
        print("input", report.settled->inputs);
        print("output", report.settled->outputs);
    }

    if (report.workVectors) {
        std::fprintf(out, "\nwork vectors after mdlSetWorkWidths:\n");
        int64_t total = 0;
        for (std::size_t i = 0; i < report.workVectors->size(); ++i) {
            const WorkVectorView& vector = (*report.workVectors)[i];
            const int64_t bytes = workVectorBytes(vector);
            total += bytes > 0 ? bytes : 0;
            std::fprintf(out, "  %zu: %d %s%s (%lld bytes)\n", i, vector.width, typeName(vector.dataType).c_str(),
                         vector.complex ? " pairs" : "", static_cast<long long>(bytes));
        }
        if (report.workVectors->empty()) {
            std::fprintf(out, "  none\n");
        } else {
            std::fprintf(out, "  total %lld bytes\n", static_cast<long long>(total));
        }
    }
}

void printInfoJson(const InfoReport& report, std::FILE* out) {
    std::string text = "{\n  \"block\": " + jsonString(report.blockName) + ",\n  \"library\": " +
                       jsonString(report.libraryPath) + ",\n  \"sizes\": ";
    text += report.sizes.empty() ? "null" : jsonList(report.sizes, jsonNumber);
    text += ",\n  \"parameters\": " + jsonList(report.parameters, [](const ArrayShape& shape) {
        return "{\"dims\": " + jsonList(shape.dims, [](int32_t d) { return std::to_string(d); }) +
               ", \"double\": " + (shape.isDouble ? "true" : "false") +
               ", \"complex\": " + (shape.complex ? "true" : "false") + "}";
    });
    const auto declared = [](const DeclaredPort& p) { return portJson(p.width, p.complexity, p.period, p.offset); };
    text += ",\n  \"declaredPorts\": {\"inputs\": " + jsonList(report.declaredInputs, declared) +
            ", \"outputs\": " + jsonList(report.declaredOutputs, declared) + "}";
    text += ",\n  \"ports\": ";
    if (report.settled) {
        const auto settled = [](const vostrel::SettledPort& p) {
            return portJson(p.width, p.complex ? COMPLEXITY_COMPLEX : COMPLEXITY_REAL, p.period, p.offset);
        };
        text += "{\"inputs\": " + jsonList(report.settled->inputs, settled) +
                ", \"outputs\": " + jsonList(report.settled->outputs, settled) + "}";
    } else {
        text += "null";
    }
    text += ",\n  \"workVectors\": ";
    if (report.workVectors) {
        text += jsonList(*report.workVectors, [](const WorkVectorView& v) {
            return "{\"width\": " + std::to_string(v.width) + ", \"type\": " + jsonString(typeName(v.dataType)) +
                   ", \"complex\": " + (v.complex ? "true" : "false") +
                   ", \"bytes\": " + std::to_string(workVectorBytes(v)) + "}";
        });
    } else {
        text += "null";
    }
    text += ",\n  \"message\": " + (report.message ? jsonString(*report.message) : std::string("null")) + "\n}\n";
    std::fputs(text.c_str(), out);
}

}  // namespace quorbelin::cli
