-- A one-dimensional array: the sieve of primes below 32000, run several times.
local sieve = {}
local total = 0
for pass = 0, 19 do
  for i = 0, 31999 do
    sieve[i] = 1
  end
  local count = 0
  for i = 2, 31999 do
    if sieve[i] == 1 then
      count = count + 1
      for j = i * i, 31999, i do
        sieve[j] = 0
      end
    end
  end
  total = total + count
end
print(total)
