// Simulated Tavix 3000 behind an FTDI bridge (being written).
