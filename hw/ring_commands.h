// The ring buffer dump and the instruction decoder: read_ring_ins prints
// the dwords around a ring's head with its start, head, tail and end
// marked; decode_ins names the instructions of a stretch of graphics
// memory with the templates of "ins.txt".
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/command_table.h"
#include "hw/ins_templates.h"

// The ring ids of the ring names; 0 for an unknown name.
uint32_t ring_id_of(const char* name);
// The ring names, "pri" first.
std::vector<std::string> ring_names();

// Where a ring's registers put it and which part of it the dump shows.
struct ring_view_t {
  uint64_t size = 0;         // bytes
  uint32_t head = 0, tail = 0;  // byte offsets inside the ring
  uint32_t n = 0;            // dwords shown on each side of the head
  // The window: up to two contiguous stretches, in window order, as byte
  // offsets inside the ring and dword counts.
  struct part_t {
    uint32_t offset, words;
  } parts[2] = {};
  int part_count = 0;
};

// The ring of `control` holding `head` and `tail`, seen `n` dwords either
// side of the head. The size is the control word's length field plus one
// page; head and tail are taken inside the ring and `n` is kept to half
// of it, so the window never leaves the buffer. False for a ring that
// does not fit `aperture` bytes from `start`.
bool ring_view(uint32_t start, uint32_t control, uint32_t head, uint32_t tail, uint32_t n, uint64_t aperture,
               ring_view_t& view);

// Loads "ins.txt": from the current directory, else beside the running
// program. 0, or 3 with its message.
opal_exit_t load_ins_templates(std::vector<ins_template_t>& templates);

// Handler bodies: the hardware table's head answers null records and help.
opal_exit_t cmd_read_ring_ins(cmd_args_t* args);
opal_exit_t cmd_decode_ins(cmd_args_t* args);
