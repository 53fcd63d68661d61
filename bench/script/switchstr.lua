-- A choice on strings made anew on every turn of a loop, as a game dispatches on a state
-- or a command name. An if chain, as Lua code usually dispatches on a handful of names;
-- its string comparisons are pointer comparisons, like cases tried in order.
local states = { [0] = "idle", "walk", "run", "jump", "fall", "attack", "hurt" }
local s = 0
for i = 0, 24999999 do
  local state = states[i % 7]
  if state == "idle" then s = s + 1
  elseif state == "walk" then s = s + 2
  elseif state == "run" then s = s + 3
  elseif state == "jump" then s = s - 1
  elseif state == "fall" then s = s + i % 5
  elseif state == "attack" then s = s + 7
  else s = s - 2 end
end
print(s)
