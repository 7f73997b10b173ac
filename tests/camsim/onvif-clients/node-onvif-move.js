// Gives a camera a new address through the npm package onvif
// (SetNetworkInterfaces, manual IPv4 /24). Exits 1 with the error when the
// camera refuses.
// usage: node node-onvif-move.js HOST PORT USER PASSWORD NEW-IP
'use strict';
const { Cam } = require('onvif');

const [host, port, username, password, address] = process.argv.slice(2);

const cam = new Cam({ hostname: host, port: Number(port), username, password, timeout: 5000 }, (err) => {
    if (err) {
        console.error('connect: ' + err.message);
        process.exit(1);
    }
    cam.setNetworkInterfaces({ interfaceToken: 'eth0', networkInterface: { enabled: true,
        IPv4: { enabled: true, DHCP: false, manual: { address, prefixLength: 24 } } } }, (failure) => {
        if (failure) {
            console.error('setNetworkInterfaces: ' + failure.message);
            process.exit(1);
        }
    });
});
