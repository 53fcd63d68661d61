#include "graphics/Function_3D_Model.h"

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "graphics/Graphics_3D_Model.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "script/Variable_BuiltIn.h"
#include "support/Support_Path.h"

namespace vn {

namespace {

using arguments::integer;
using arguments::number;
using arguments::text;

using Self = CInstanceBase*;
using Args = const RValue*;

constexpr const char* kNoModel = "Trying to use non-existing model.";

// A destroyed model leaves its slot empty; a new one takes the lowest empty slot.
std::vector<std::unique_ptr<C3D_Model>>& models() {
  static std::vector<std::unique_ptr<C3D_Model>> table;
  return table;
}

// The model an argument names; reported when there is none.
C3D_Model* model_of(const RValue& handle) {
  C3D_Model* model = model_at(integer(handle));
  if (model == nullptr) report_runtime_error(kNoModel, false);
  return model;
}

// Secure mode lets a game write only plain names inside the current folder.
bool save_allowed(const std::string& name) {
  if (!run_state().secure_mode) return true;
  if (name.find_first_of("\\/") != std::string::npos) return false;
  std::error_code error;
  std::filesystem::path folder = std::filesystem::current_path(error);
  return !error && path_inside(folder, game_path(name), true);
}

void fn_create(Self, Self, int, Args, RValue& result) {
  auto& table = models();
  size_t slot = 0;
  while (slot < table.size() && table[slot]) ++slot;
  if (slot == table.size()) table.emplace_back();
  table[slot] = std::make_unique<C3D_Model>();
  result.real = double(slot);
}

void fn_destroy(Self, Self, int, Args args, RValue&) {
  if (model_of(args[0]) == nullptr) return;
  auto& table = models();
  table[size_t(integer(args[0]))].reset();
  while (!table.empty() && !table.back()) table.pop_back();
}

void fn_clear(Self, Self, int, Args args, RValue&) {
  if (C3D_Model* model = model_of(args[0])) model->clear();
}

// Missing or unreadable files, and files that are not models, are the game's to handle by
// the result.
void fn_load(Self, Self, int, Args args, RValue& result) {
  C3D_Model* model = model_of(args[0]);
  if (model == nullptr) return;
  std::string error;
  result.real = model->load(game_path(text(args[1])), error) ? 1 : 0;
}

void fn_save(Self, Self, int, Args args, RValue& result) {
  C3D_Model* model = model_of(args[0]);
  if (model == nullptr) return;
  const std::string name = text(args[1]);
  if (!save_allowed(name)) {
    report_runtime_error("In secure mode you cannot save model to file " + name, false);
    return;
  }
  std::string error;
  result.real = model->save(game_path(name), error) ? 1 : 0;
}

void fn_draw(Self, Self, int, Args args, RValue&) {
  if (const C3D_Model* model = model_of(args[0])) {
    model->draw(number(args[1]), number(args[2]), number(args[3]), integer(args[4]));
  }
}

// Appends a record of the kind from the arguments after the model's handle.
template <int32_t kind, int values>
void fn_add(Self, Self, int, Args args, RValue&) {
  C3D_Model* model = model_of(args[0]);
  if (model == nullptr) return;
  RModelRecord record;
  record.kind = kind;
  for (int i = 0; i < values; ++i) record.values[size_t(i)] = number(args[1 + i]);
  model->add(record);
}

}  // namespace

C3D_Model* model_at(int handle) {
  auto& table = models();
  if (handle < 0 || size_t(handle) >= table.size()) return nullptr;
  return table[size_t(handle)].get();
}

void reset_3d_models() { models().clear(); }

void register_3d_model_functions() {
  register_function("d3d_model_create", fn_create, 0);
  register_function("d3d_model_destroy", fn_destroy, 1);
  register_function("d3d_model_clear", fn_clear, 1);
  register_function("d3d_model_load", fn_load, 2);
  register_function("d3d_model_save", fn_save, 2);
  register_function("d3d_model_draw", fn_draw, 5);
  register_function("d3d_model_primitive_begin", fn_add<kModelPrimitiveBegin, 1>, 2);
  register_function("d3d_model_primitive_end", fn_add<kModelPrimitiveEnd, 0>, 1);
  register_function("d3d_model_vertex", fn_add<kModelVertex, 3>, 4);
  register_function("d3d_model_vertex_color", fn_add<kModelVertexColor, 5>, 6);
  register_function("d3d_model_vertex_texture", fn_add<kModelVertexTexture, 5>, 6);
  register_function("d3d_model_vertex_texture_color", fn_add<kModelVertexTextureColor, 7>, 8);
  register_function("d3d_model_vertex_normal", fn_add<kModelVertexNormal, 6>, 7);
  register_function("d3d_model_vertex_normal_color", fn_add<kModelVertexNormalColor, 8>, 9);
  register_function("d3d_model_vertex_normal_texture", fn_add<kModelVertexNormalTexture, 8>, 9);
  register_function("d3d_model_vertex_normal_texture_color",
                    fn_add<kModelVertexNormalTextureColor, 10>, 11);
  register_function("d3d_model_block", fn_add<kModelBlock, 8>, 9);
  register_function("d3d_model_cylinder", fn_add<kModelCylinder, 10>, 11);
  register_function("d3d_model_cone", fn_add<kModelCone, 10>, 11);
  register_function("d3d_model_ellipsoid", fn_add<kModelEllipsoid, 9>, 10);
  register_function("d3d_model_wall", fn_add<kModelWall, 8>, 9);
  register_function("d3d_model_floor", fn_add<kModelFloor, 8>, 9);
}

}  // namespace vn
