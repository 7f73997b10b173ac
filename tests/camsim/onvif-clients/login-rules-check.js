// The camera's login rules, with requests made by hand (Node's own http and
// crypto): a fresh PasswordDigest is taken, a wrong password, a Created ten
// minutes old and a nonce used before are refused with ter:NotAuthorized.
// Then a SystemReboot: the camera says Bye and, back again, Hello
// (WS-Discovery, heard on the multicast group). (The npm package's
// systemReboot posts to a deviceIO service the camera never offered.)
// Last a firmware upgrade: StartFirmwareUpgrade, an image of another model
// refused at the upload address, one of this model taken, and the camera
// back with the image's version.
// usage: node login-rules-check.js HOST PORT USER PASSWORD INTERFACE-ADDRESS
'use strict';
const crypto = require('crypto');
const dgram = require('dgram');
const http = require('http');

const [host, port, username, password, localAddress] = process.argv.slice(2);

function post(body, path = '/onvif/device_service', type = 'application/soap+xml; charset=utf-8') {
    return new Promise((resolve, reject) => {
        const req = http.request({ host, port, path, method: 'POST', headers: { 'Content-Type': type } }, (res) => {
            let text = '';
            res.on('data', (chunk) => (text += chunk));
            res.on('end', () => resolve({ status: res.statusCode, text }));
        });
        req.on('error', reject);
        req.end(body);
    });
}

function envelope(header, body) {
    return '<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"><s:Header>' + header + '</s:Header><s:Body>' +
           body + '</s:Body></s:Envelope>';
}

function token(created, nonce, secret) {
    const digest = crypto.createHash('sha1').update(Buffer.concat([nonce, Buffer.from(created + secret)])).digest('base64');
    return '<Security xmlns="http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd">' +
           '<UsernameToken><Username>' + username + '</Username>' +
           '<Password Type="http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest">' +
           digest + '</Password><Nonce EncodingType="http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0#Base64Binary">' +
           nonce.toString('base64') + '</Nonce><Created xmlns="http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd">' +
           created + '</Created></UsernameToken></Security>';
}

const info = '<GetDeviceInformation xmlns="http://www.onvif.org/ver10/device/wsdl"/>';
const stamp = (date) => date.toISOString().replace(/\.\d+Z$/, 'Z');

async function cameraNow() {
    const reply = await post(envelope('', '<GetSystemDateAndTime xmlns="http://www.onvif.org/ver10/device/wsdl"/>'));
    const field = (name) => Number(new RegExp('<tt:UTCDateTime>.*?<tt:' + name + '>(\\d+)<').exec(reply.text)[1]);
    return new Date(Date.UTC(field('Year'), field('Month') - 1, field('Day'), field('Hour'), field('Minute'),
                             field('Second')));
}

function expect(what, reply, status, text) {
    if (reply.status !== status || !reply.text.includes(text)) {
        throw new Error(what + ': HTTP ' + reply.status + ' ' + reply.text.slice(0, 400));
    }
    console.log('ok ' + what);
}

async function loginRules() {
    const now = await cameraNow();
    const nonce = crypto.randomBytes(16);
    expect('fresh digest', await post(envelope(token(stamp(now), nonce, password), info)), 200, 'Manufacturer');
    expect('same nonce again', await post(envelope(token(stamp(now), nonce, password), info)), 400, 'ter:NotAuthorized');
    expect('wrong password', await post(envelope(token(stamp(now), crypto.randomBytes(16), password + 'x'), info)), 400,
           'ter:NotAuthorized');
    const stale = new Date(now.getTime() - 10 * 60 * 1000);
    expect('Created ten minutes old', await post(envelope(token(stamp(stale), crypto.randomBytes(16), password), info)),
           400, 'ter:NotAuthorized');
    expect('no login', await post(envelope('', info)), 400, 'ter:NotAuthorized');
    expect('unknown action', await post(envelope(token(stamp(now), crypto.randomBytes(16), password),
                                                 '<GetDot11Status xmlns="http://www.onvif.org/ver10/device/wsdl"/>')),
           500, 'ter:ActionNotSupported');
}

// Bye then Hello of this camera, heard on the group while it reboots.
async function rebootAnnouncements() {
    const heard = [];
    const socket = dgram.createSocket({ type: 'udp4', reuseAddr: true });
    await new Promise((resolve) => socket.bind(3702, resolve));
    socket.addMembership('239.255.255.250', localAddress);
    socket.on('message', (message, from) => {
        const text = message.toString();
        if (from.address === host && /<wsdd:(Hello|Bye)>/.test(text)) {
            heard.push(/<wsdd:(Hello|Bye)>/.exec(text)[1]);
        }
    });
    const now = await cameraNow();
    expect('reboot', await post(envelope(token(stamp(now), crypto.randomBytes(16), password),
                                         '<SystemReboot xmlns="http://www.onvif.org/ver10/device/wsdl"/>')),
           200, 'Message');
    const deadline = Date.now() + 15000;
    while (heard.join(' ') !== 'Bye Hello' && Date.now() < deadline) {
        await new Promise((resolve) => setTimeout(resolve, 100));
    }
    socket.close();
    if (heard.join(' ') !== 'Bye Hello') {
        throw new Error('reboot: heard [' + heard.join(' ') + '] instead of Bye then Hello');
    }
    console.log('ok reboot: Bye then Hello');
}

function signed(body) {
    return cameraNow().then((now) => post(envelope(token(stamp(now), crypto.randomBytes(16), password), body)));
}

async function firmwareUpgrade(model, version) {
    const start = await signed('<StartFirmwareUpgrade xmlns="http://www.onvif.org/ver10/device/wsdl"/>');
    expect('start firmware upgrade', start, 200, 'UploadUri');
    const uri = new URL(/<tds:UploadUri>([^<]+)</.exec(start.text)[1]);
    const image = (name) => 'ONVIF-IMAGE ' + name + ' ' + version + '\n' + 'x'.repeat(4096);
    expect('image of another model', await post(image(model + 'X'), uri.pathname, 'application/octet-stream'), 415, '');
    expect('image of this model', await post(image(model), uri.pathname, 'application/octet-stream'), 200, '');
    const deadline = Date.now() + 20000;
    while (Date.now() < deadline) {
        await new Promise((resolve) => setTimeout(resolve, 500));
        const reply = await signed(info).catch(() => null);
        if (reply && reply.text.includes('<tds:FirmwareVersion>' + version + '<')) {
            console.log('ok back with firmware ' + version);
            return;
        }
    }
    throw new Error('the camera did not come back with firmware ' + version);
}

loginRules().then(rebootAnnouncements).then(() => firmwareUpgrade('C-1', '1.1.0')).catch((err) => {
    console.error(err.message);
    process.exit(1);
});
