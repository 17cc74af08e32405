#include "studyhost/runtime/chart_picture.h"

#include "host/subgraph_slot.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/study_instance.h"

namespace studyhost {

ChartPicture picture_of(Host& host, const std::string& title) {
  ChartPicture picture;
  picture.title = title;
  picture.bars = host.bars();
  picture.value_format = host.settings().value_format;
  picture.drawings.reserve(host.drawings().size());
  for (const auto& [id, drawing] : host.drawings()) picture.drawings.push_back(drawing);
  for (StudyInstance* instance : host.instances()) {
    for (std::int32_t i = 0; i < kSubgraphSlots; ++i) {
      const host::SubgraphSlot& slot = instance->subgraph(i);
      if (host::is_empty(slot.name)) continue;
      SubgraphSeries series;
      series.name = host::text_of(slot.name);
      series.label = host::text_of(slot.short_label);
      series.color = slot.primary_color;
      series.line_style = slot.line_style;
      series.line_width = slot.line_width;
      series.draw_style = slot.draw_style;
      series.values = instance->subgraph_values(i);
      picture.subgraphs.push_back(std::move(series));
    }
  }
  return picture;
}

}  // namespace studyhost
